#include "FirstFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class FirstPaint : public QObject {
public:
    FirstPaint(const QElapsedTimer& clock, bool phases) : clock_(clock), phases_(phases) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && !exposed_ && watched->isWindowType()) {
            exposed_ = true;
            markPhase("exposed", clock_, phases_);
        }
        if (event->type() == QEvent::Paint && !painted_ && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow()) {
            painted_ = true;
            markPhase("painted", clock_, phases_);
            QTimer::singleShot(0, qApp, [this] {
                markPhase("flushed", clock_, phases_);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
    bool phases_;
    bool exposed_ = false;
    bool painted_ = false;
};

}  // namespace

void markPhase(const char* name, const QElapsedTimer& clock, bool phases)
{
    if (phases)
        std::fprintf(stderr, "phase %s %.3f\n", name, double(clock.nsecsElapsed()) / 1e6);
}

void quitAfterFirstFrame(const QElapsedTimer& clock, bool phases)
{
    auto* filter = new FirstPaint(clock, phases);
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}
