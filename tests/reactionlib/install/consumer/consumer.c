/* Links the installed library and calls both entry points once. */
#include <vrex.h>

int main(void) {
  double conc[VREX_SPECIES_COUNT], out[VREX_SPECIES_COUNT];
  int fix[VREX_SPECIES_COUNT] = {0};
  const int wrongCount = VREX_SPECIES_COUNT - 1;
  const double dt = 1.0, switchValue = 1.0, tag = 0.0;
  double carried = 0.0;
  int status = 0, i;
  for (i = 0; i < VREX_SPECIES_COUNT; ++i) {
    conc[i] = 1e-6;
  }
  vrexIsAlive();
  /* A wrong species count is refused without computing anything. */
  invokevrex(conc, conc, out, &wrongCount, &dt, fix, &status, &switchValue, &tag, &tag, &carried);
  return status == 111 ? 0 : 1;
}
