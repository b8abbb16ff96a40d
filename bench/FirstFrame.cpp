#include "FirstFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

class FirstPaint : public QObject {
public:
    explicit FirstPaint(const StartClock& clock) : clock_(clock) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && !exposed_ && watched->isWindowType()) {
            exposed_ = true;
            clock_.mark("exposed");
        }
        if (event->type() == QEvent::Paint && !painted_ && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow()) {
            painted_ = true;
            clock_.mark("painted");
            QTimer::singleShot(0, qApp, [this] {
                clock_.mark("flushed");
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const StartClock& clock_;
    bool exposed_ = false;
    bool painted_ = false;
};

}  // namespace

StartClock::StartClock(int argc, char* argv[]) : phases_(argc > 1 && std::strcmp(argv[1], "--phases") == 0)
{
    clock_.start();
}

void StartClock::mark(const char* phase) const
{
    if (!phases_) return;
    // Also on the monotonic clock, so a caller that noted when it started the
    // process can tell the time since then, the loading of the libraries included.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "phase %s %.3f %.6f\n", phase, double(clock_.nsecsElapsed()) / 1e6,
                 double(now.tv_sec) + double(now.tv_nsec) / 1e9);
}

void StartClock::quitAfterFirstFrame() const
{
    auto* filter = new FirstPaint(*this);
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}
