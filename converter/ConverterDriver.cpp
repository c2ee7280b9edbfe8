#include "ConverterDriver.h"

#include "ConversionFailure.h"
#include "LineOps.h"
#include "TecplotReader.h"
#include "VtkWriter.h"

#include <climits>
#include <optional>

namespace zonvert {

namespace {

constexpr const char *kLastUpdate = "May.29.2008";

struct RunInputs {
  std::string inputPath;
  std::string outputName;
  int startZone = 0;
};

int clampToInt(std::int64_t value) {
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return static_cast<int>(value);
}

void checkLength(const std::string &text, const char *what) {
  if (text.size() > kMaxPathLength)
    throw ConversionFailure(std::string("ERROR: ") + what + " IS LONGER THAN 255 CHARACTERS.\n");
}

// The first character after any white space, which the scan formats skip.
int firstNonSpace(std::FILE *console) {
  int c = std::fgetc(console);
  while (c != EOF && isScanSpace(static_cast<char>(c)))
    c = std::fgetc(console);
  return c;
}

// Reads one word from the console as the scan format "%s" does. Stops
// reading one character past the longest name accepted, so a long word never
// overruns anything and is then refused whole.
std::string readConsoleWord(std::FILE *console) {
  std::string word;
  for (int c = firstNonSpace(console); c != EOF && !isScanSpace(static_cast<char>(c)); c = std::fgetc(console)) {
    word.push_back(static_cast<char>(c));
    if (word.size() > kMaxPathLength)
      break;
  }
  return word;
}

// Reads a decimal integer from the console as "%d" does; 0 when there is none.
int readConsoleInt(std::FILE *console) {
  std::string text;
  int c = firstNonSpace(console);
  if (c == '+' || c == '-') {
    text.push_back(static_cast<char>(c));
    c = std::fgetc(console);
  }
  // Digits past 20 cannot change the clamped value.
  while (c >= '0' && c <= '9' && text.size() < 21) {
    text.push_back(static_cast<char>(c));
    c = std::fgetc(console);
  }
  const auto value = scanDecimal(text);
  return value ? clampToInt(*value) : 0;
}

RunInputs promptForInputs(std::FILE *console) {
  RunInputs inputs;
  std::printf("THIS IS A DATA CONVERSION TOOL FROM TECPLOT TO VTK. \n");
  std::printf("* LAST UPDATE: %s\n", kLastUpdate);
  std::printf("* YOU CAN ALSO START WITH ARGUMENTS: zonvert.exe <TECPLOT FILE PATH> <VTK FILE PATH> <OPTION: "
              "STARTING ZONE No.>\n\n");
  std::printf("ENTER YOUR TECPLOT FILE NAME.\n> ");
  std::fflush(stdout);
  inputs.inputPath = readConsoleWord(console);
  checkLength(inputs.inputPath, "INPUT FILE PATH");
  std::printf("\n\nENTER OUTPUTTED VTK FILE NAME.\n> ");
  std::fflush(stdout);
  inputs.outputName = readConsoleWord(console);
  checkLength(inputs.outputName, "OUTPUT NAME");
  std::printf("\n\nENTER STARTING ZONE(TIMESTEP) INDEX FOR CONVERSION. FOR ALL DATASET, JUST ENTER 0.\n> ");
  std::fflush(stdout);
  inputs.startZone = readConsoleInt(console);
  return inputs;
}

RunInputs inputsFromArguments(int argc, const char *const *argv) {
  RunInputs inputs{argv[1], argv[2], 0};
  checkLength(inputs.inputPath, "INPUT FILE PATH");
  checkLength(inputs.outputName, "OUTPUT NAME");
  // The starting zone is read only when it is the last of exactly three
  // arguments; with more, every zone is converted.
  if (argc == 4) {
    if (const auto value = scanDecimal(argv[3]))
      inputs.startZone = clampToInt(*value);
  }
  return inputs;
}

} // namespace

std::string outputBaseName(const std::string &outputName) {
  const std::size_t dot = outputName.rfind('.');
  return dot == std::string::npos ? outputName : outputName.substr(0, dot);
}

std::string zoneFileName(const std::string &baseName, int zoneIndex) {
  return baseName + std::to_string(zoneIndex) + ".vtk";
}

int convertZones(std::FILE *file, const std::string &outputName, int startZone) {
  try {
    std::printf("\n\n--\n");
    std::printf("START CONVERSION.\n");
    ZoneRecord zone;
    const std::string baseName = outputBaseName(outputName);
    std::printf("READING ZONE: ");
    TecplotInput input(file);
    for (int zoneIndex = 0; readZone(input, zone); ++zoneIndex) {
      std::printf("%d ", zoneIndex);
      // Same as zoneIndex >= startZone, written so that it cannot overflow.
      if (zoneIndex >= startZone && !writeVTKFile(zoneFileName(baseName, zoneIndex), zone))
        throw ConversionFailure("\nERROR: writeVTKFile() \n", kWriteFailureStatus);
      clearZone(zone);
    }
    std::printf("\nFINISH.\n");
    return 0;
  } catch (const ConversionFailure &failure) {
    std::fputs(failure.message.c_str(), stdout);
    return failure.exitStatus;
  }
}

int runConverter(int argc, const char *const *argv, std::FILE *console) {
  int status = 0;
  try {
    const RunInputs inputs = argc >= 3 ? inputsFromArguments(argc, argv) : promptForInputs(console);
    std::FILE *file = std::fopen(inputs.inputPath.c_str(), "r");
    if (!file)
      throw ConversionFailure("ERROR: File not found." + inputs.inputPath + "\n");
    status = convertZones(file, inputs.outputName, inputs.startZone);
    std::fclose(file);
  } catch (const ConversionFailure &failure) {
    std::fputs(failure.message.c_str(), stdout);
    status = failure.exitStatus;
  }
  std::fflush(stdout);
  return status;
}

} // namespace zonvert
