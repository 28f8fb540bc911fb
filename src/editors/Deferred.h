#pragma once

#include <QObject>

#include <functional>
#include <vector>

namespace tavrel {

// Steps that must not run inside another step of the same window: the store
// of a row the user has just left, a reload after another program changed
// the database. A message box shown by a step runs the event loop, so such a
// step could otherwise start while the first one still holds rows or
// positions. Steps posted here run from the event loop, in order, once no
// step holds a Guard.
class Deferred : public QObject {
public:
    // Held by every handler and store step for as long as it runs.
    class Guard {
    public:
        explicit Guard(Deferred& deferred);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        Deferred& deferred_;
    };

    void post(std::function<void()> step);
    bool idle() const { return depth_ == 0; }

private:
    void schedule();
    void flush();

    int depth_ = 0;
    bool scheduled_ = false;
    std::vector<std::function<void()>> steps_;
};

} // namespace tavrel
