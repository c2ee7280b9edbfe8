#include "run/ZoneInventory.h"

#include "read/TecplotReader.h"
#include "run/ConsoleOutput.h"
#include "run/ProgressDisplay.h"
#include "source/TecplotBytes.h"
#include "write/JsonText.h"
#include "write/SeriesFile.h"
#include "write/Utf8Text.h"

#include <memory>
#include <vector>

namespace zonvert {

namespace {

std::string quotedNames(const std::vector<std::string> &names, bool json) {
  std::string text;
  for (const std::string &name : names)
    text += (text.empty() ? "" : ", ") + (json ? jsonString(asUtf8(name)) : "\"" + name + "\"");
  return text;
}

std::string zoneLine(const ZoneRecord &zone) {
  return "ZONE " + std::to_string(zone.zoneNumber) + ": TITLE \"" + zone.title + "\", TIME " +
         jsonNumber(zoneTime(zone)) + ", " + zone.zoneType + ", " + std::to_string(zone.nodeCount) + " NODES, " +
         std::to_string(zone.elementNodes.size()) + " ELEMENTS\n";
}

std::string zoneJson(const ZoneRecord &zone, const std::vector<std::string> &fileVariables) {
  std::string text = "    {\"zone\": " + std::to_string(zone.zoneNumber) +
                     ", \"title\": " + jsonString(asUtf8(zone.title)) + ", \"time\": " + jsonNumber(zoneTime(zone)) +
                     ", \"type\": " + jsonString(zone.zoneType) + ", \"nodes\": " + std::to_string(zone.nodeCount) +
                     ", \"elements\": " + std::to_string(zone.elementNodes.size());
  if (zone.variableNames != fileVariables)
    text += ", \"variables\": [" + quotedNames(zone.variableNames, true) + "]";
  return text + "}";
}

} // namespace

void listZones(std::FILE *file, const std::string &inputPath, const ZoneSelection &selection, bool json, bool quiet) {
  std::vector<std::string> variables; // of the first zone listed
  std::vector<std::string> shownVariables;
  bool anyListed = false;
  int lastZoneRead = -1;
  std::string zonesJson;
  {
    TecplotBytes input = openTecplotBytes(file, inputPath);
    const std::unique_ptr<ProgressDisplay> progress = progressDisplay(file, input, quiet);
    TecplotFile tecplot(*input.bytes);
    ZoneRecord zone;
    while (readZone(tecplot, zone)) {
      lastZoneRead = zone.zoneNumber;
      if (progress)
        progress->zoneRead();
      if (selection.selects(zone.zoneNumber)) {
        if (!anyListed)
          variables = zone.variableNames;
        if (json) {
          zonesJson += (anyListed ? ",\n" : "\n") + zoneJson(zone, variables);
        } else {
          if (!anyListed || zone.variableNames != shownVariables) {
            const std::string label =
                anyListed ? "VARIABLES FROM ZONE " + std::to_string(zone.zoneNumber) : std::string("VARIABLES");
            console::write(label + ": " + quotedNames(zone.variableNames, false) + "\n");
            shownVariables = zone.variableNames;
          }
          console::write(zoneLine(zone));
          console::flush();
        }
        anyListed = true;
      }
      if (selection.endsBy(zone.zoneNumber))
        break;
    }
  }
  if (json) {
    console::write("{\n  \"file\": " + jsonString(asUtf8(inputPath)) + ",\n  \"variables\": [" +
                   quotedNames(variables, true) + "],\n  \"zones\": [" + zonesJson +
                   (anyListed ? "\n  ]\n}\n" : "]\n}\n"));
    return;
  }
  if (const std::string warning = selection.missingZonesWarning(lastZoneRead); !warning.empty())
    console::writeMessage(warning);
}

} // namespace zonvert
