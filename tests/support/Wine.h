#pragma once

namespace tavrel::test {

// True for a Windows test program under Wine: its fonts are wider than
// Windows' own, and its Schannel accepts any certificate.
bool underWine();

} // namespace tavrel::test
