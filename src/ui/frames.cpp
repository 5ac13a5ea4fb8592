#include "frames.h"

#include <QEvent>
#include <QLayout>
#include <QMargins>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <utility>

namespace {

int halfDown(int n)
{
    return n >= 0 ? n / 2 : -((1 - n) / 2);
}

QPoint centred(const QRect &area, QSize frame)
{
    return {area.left() + halfDown(area.width() - frame.width()),
            area.top() + halfDown(area.height() - frame.height())};
}

// The window's size as it will be shown: a position asked for before the first show holds only
// if showing does not resize the window.
void settleSize(QWidget *window)
{
    window->ensurePolished();
    if (QLayout *layout = window->layout())
        layout->activate();
    if (!window->testAttribute(Qt::WA_Resized)) {
        window->adjustSize();
        window->setAttribute(Qt::WA_Resized, false);
    }
}

bool framed(const QWidget *window)
{
    return window->frameGeometry() != window->geometry();
}

QMargins frameOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

// A window withdrawn to the tray loses its frame until the window manager takes it again, which
// then keeps the window where it was asked for and puts the frame around it: it is placed by the
// frame it had when last seen framed.
constexpr char lastFrame[] = "rappelixLastFrame";

QMargins lastFrameOf(const QWidget *window)
{
    return window->property(lastFrame).value<QMargins>();
}

// Waits until the window manager has framed a window just shown (or shown it unframed), then
// moves the frame where it belongs if it is not there, once; the user may move it after that.
// A window shown for the first time whose frame is not known when it comes on screen (fluxbox
// tells its frame's size late) is placed again once it is, by the real frame.
class FrameCheck : public QObject {
public:
    FrameCheck(QWidget *window, std::function<QPoint()> target)
        : QObject(window), m_window(window), m_target(std::move(target))
    {
        window->windowHandle()->installEventFilter(this);
        QTimer::singleShot(3000, this, &QObject::deleteLater); // a window manager that never tells
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const auto type = event->type();
        if (m_checked || !(type == QEvent::Expose ||
                           ((type == QEvent::Move || type == QEvent::Resize) && framed(m_window))))
            return false;
        m_checked = true;
        QTimer::singleShot(0, this, [this] {
            if (!m_window || place()) {
                deleteLater();
                return;
            }
            // No frame yet, nor one from before: looked at again until the window manager tells.
            auto *poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this, poll] {
                if (m_window && !framed(m_window))
                    return;
                poll->stop();
                if (m_window)
                    place();
                deleteLater();
            });
            poll->start(20);
        });
        return false;
    }

private:
    // Sets the window's position from its frame; false when it had to guess the frame as none.
    bool place()
    {
        // Qt may learn of the frame the window manager has just put around the window after it
        // is on screen: the window's own position, from the frame it had last, is checked and
        // set without it.
        const bool known = framed(m_window);
        const QMargins frame = known ? frameOf(m_window) : lastFrameOf(m_window);
        const QPoint want = m_target() + QPoint(frame.left(), frame.top());
        if (m_window->geometry().topLeft() != want)
            m_window->setGeometry(QRect(want, m_window->size()));
        return known || !frame.isNull();
    }

    QPointer<QWidget> m_window;
    std::function<QPoint()> m_target;
    bool m_checked = false;
};

class OnScreenWait : public QObject {
public:
    OnScreenWait(const QList<QWidget *> &windows, QObject *context, std::function<void()> then)
        : QObject(context), m_then(std::move(then))
    {
        for (QWidget *w : windows)
            if (QWindow *handle = w->windowHandle(); handle && !handle->isExposed()) {
                handle->installEventFilter(this);
                connect(handle, &QObject::destroyed, this, [this, handle] { arrived(handle); });
                m_waiting.insert(handle);
            }
        QTimer::singleShot(m_waiting.isEmpty() ? 0 : 3000, this, &OnScreenWait::done);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            arrived(watched);
        return false;
    }

private:
    void arrived(QObject *window)
    {
        if (m_waiting.remove(window) && m_waiting.isEmpty())
            QTimer::singleShot(0, this, &OnScreenWait::done); // once the exposure is handled
    }
    void done()
    {
        if (m_then)
            std::exchange(m_then, nullptr)();
        deleteLater();
    }

    QSet<QObject *> m_waiting;
    std::function<void()> m_then;
};

} // namespace

void showFrameAt(QWidget *window, QPoint frame)
{
    const bool first = !window->testAttribute(Qt::WA_WState_Created);
    settleSize(window);
    window->move(frame);
    window->show();
    if (first)
        new FrameCheck(window, [frame] { return frame; });
}

QMargins keepFrame(QWidget *window)
{
    if (framed(window))
        window->setProperty(lastFrame, QVariant::fromValue(frameOf(window)));
    return lastFrameOf(window);
}

void showFrameCentred(QWidget *window, const QRect &area)
{
    // A window coming back from hidden is framed anew, perhaps not as before.
    const bool known = framed(window) && window->isVisible();
    settleSize(window);
    const QMargins now = frameOf(window), frame = keepFrame(window);
    const QPoint inner(frame.left() - now.left(), frame.top() - now.top());
    window->move(centred(area, window->size().grownBy(frame)) + inner);
    window->show();
    if (!known)
        new FrameCheck(window,
                       [window, area] { return centred(area, window->size().grownBy(keepFrame(window))); });
}

void whenOnScreen(const QList<QWidget *> &windows, QObject *context, std::function<void()> then)
{
    new OnScreenWait(windows, context, std::move(then));
}
