#pragma once

namespace tavrel {

// Keeps the FTP password out of crash dumps: a program that holds it turns
// core dumps of itself off (Linux: no core file, and not dumpable), or on
// Windows ends at once on a crash, before Windows could write a dump. One
// file per platform (CrashDumpsPosix.cpp, CrashDumpsWindows.cpp).
void keepSecretsOutOfCrashDumps();

} // namespace tavrel
