#include "Deferred.h"

#include <QTimer>

namespace tavrel {

Deferred::Guard::Guard(Deferred& deferred)
    : deferred_(deferred) {
    ++deferred_.depth_;
}

Deferred::Guard::~Guard() {
    if (--deferred_.depth_ == 0 && !deferred_.steps_.empty())
        deferred_.schedule();
}

void Deferred::post(std::function<void()> step) {
    steps_.push_back(std::move(step));
    if (idle())
        schedule();
}

void Deferred::schedule() {
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        flush();
    });
}

void Deferred::flush() {
    while (idle() && !steps_.empty()) {
        const std::function<void()> step = std::move(steps_.front());
        steps_.erase(steps_.begin());
        const Guard running(*this);
        step();
    }
}

} // namespace tavrel
