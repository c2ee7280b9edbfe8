// The console pause after a serious diagnostic: the process waits until the
// operator enters an empty line. It also ends when standard input is closed or
// at end of file, so a batch run without a console never hangs.
#pragma once

namespace vrex {

void pauseForEmptyLine();

} // namespace vrex
