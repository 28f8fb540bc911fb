#pragma once

#include <QtGlobal>

namespace tavrel {

// libcurl puts a CR before every LF of an ASCII upload, except on Windows,
// where it takes the data's line ends to be CR LF already and sends them as
// they are. There the runner puts the CRs in itself, so both send the same.
#ifdef Q_OS_WIN
inline constexpr bool kRunnerPutsCr = true;
#else
inline constexpr bool kRunnerPutsCr = false;
#endif

// The line ends of a file read a piece at a time, for an ASCII upload: CR LF
// becomes LF (libcurl puts the CR back), or, with putCr, every line ends in
// CR LF already, so each line ends in exactly one CR LF on the wire. A CR
// that ends a piece is held until the next shows whether an LF follows; a
// CR of its own stays.
class LineFeedPieces {
public:
    explicit LineFeedPieces(bool putCr = kRunnerPutsCr)
        : putCr_(putCr) {}
    // How much to read into a buffer of room bytes: with putCr each LF may
    // take two.
    qsizetype readRoom(qsizetype room) const {
        return putCr_ ? (room - held()) / 2 : room - held();
    }
    // Room to keep before the next piece: 1 while a CR is held.
    qsizetype held() const { return heldCr_ ? 1 : 0; }
    // buffer holds held() bytes of room, then read bytes just read (0: the
    // end). Puts the held CR in front and changes the line ends in place;
    // the bytes to hand over, which may be 0 before the end.
    qsizetype take(char* buffer, qsizetype read);
    // LFs handed over so far.
    qint64 lineFeeds() const { return lineFeeds_; }
    // What the server receives for handedOver bytes handed to libcurl.
    qint64 onWire(qint64 handedOver) const { return putCr_ ? handedOver : handedOver + lineFeeds_; }

private:
    bool putCr_;
    bool heldCr_ = false;
    qint64 lineFeeds_ = 0;
};

} // namespace tavrel
