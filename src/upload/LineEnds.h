#pragma once

#include <QtGlobal>

namespace tavrel {

// CR LF to LF for a file read a piece at a time (libcurl puts the CR back in
// ASCII mode, so every line ends in exactly one CR LF on the wire). A CR that
// ends a piece is held until the next shows whether an LF follows; a CR of
// its own stays.
class LineFeedPieces {
public:
    // Room to keep before the next piece: 1 while a CR is held.
    qsizetype held() const { return heldCr_ ? 1 : 0; }
    // buffer holds held() bytes of room, then read bytes just read (0: the
    // end). Puts the held CR in front and changes the line ends in place;
    // the bytes to hand over, which may be 0 before the end.
    qsizetype take(char* buffer, qsizetype read);
    // LFs handed over so far.
    qint64 lineFeeds() const { return lineFeeds_; }

private:
    bool heldCr_ = false;
    qint64 lineFeeds_ = 0;
};

} // namespace tavrel
