#include "widgets/window_frame.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QTimer>
#include <algorithm>

namespace vq::ui {

namespace {

const char kWatchName[] = "vq_frame_watch";
constexpr int kPollMs = 10;
// Long enough for a window manager on a busy machine, short enough that a window manager
// that draws no frames leaves no watch behind for long.
constexpr int kBoundMs = 3000;

// Platforms without a window manager: a frame, if any, never waits for one.
bool WithoutWindowManager() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

QMargins Margins(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                  frame.bottom() - client.bottom());
}

// Waits on the window's first show for the frames, then places once more and goes.
class FrameWatch : public QObject {
 public:
  FrameWatch(QWidget* window, std::function<void()> place, std::vector<QPointer<QWidget>> alsoFramed)
      : QObject(window), window_(window), place_(std::move(place)), alsoFramed_(std::move(alsoFramed)) {
    setObjectName(QLatin1String(kWatchName));
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &FrameWatch::Poll);
    // The frame can only come once the window is shown.
    if (window_->isVisible()) {
      Start();
    } else {
      window_->installEventFilter(this);
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show && !timer_.isActive()) {
      window_->removeEventFilter(this);
      Start();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Start() {
    waited_.start();
    timer_.start();
  }

  void Poll() {
    if (!window_->isVisible()) {
      // Closed before its frame came: nothing to place any more.
      timer_.stop();
      setObjectName(QString());
      deleteLater();
      return;
    }
    const bool framed = HasFrame(window_) && std::all_of(alsoFramed_.begin(), alsoFramed_.end(), [](const auto& w) {
                          return !w || HasFrame(w);
                        });
    if (!framed && waited_.elapsed() < kBoundMs) return;
    timer_.stop();
    // Not pending any more from here on, also for what `place` may ask.
    setObjectName(QString());
    place_();
    deleteLater();
  }

  QWidget* window_;
  std::function<void()> place_;
  std::vector<QPointer<QWidget>> alsoFramed_;
  QTimer timer_;
  QElapsedTimer waited_;
};

}  // namespace

bool HasFrame(const QWidget* window) {
  return window->isVisible() && window->frameGeometry() != window->geometry();
}

QSize FrameExtra(const QWidget* window) { return window->frameGeometry().size() - window->geometry().size(); }

QSize FrameExtraOr(const QWidget* window, QSize estimate) { return HasFrame(window) ? FrameExtra(window) : estimate; }

void SetOuterGeometry(QWidget* window, const QRect& outer, QSize frameExtra) {
  if (HasFrame(window)) {
    // The window manager's frame is known: the client area goes inside it.
    window->setGeometry(outer.marginsRemoved(Margins(window)));
    return;
  }
  // Not framed yet: a window moved before it is first shown gets its frame's top-left
  // corner at that position (Qt asks for it including the frame: north-west gravity on
  // X11), and a window without a frame is there anyway. Only the client size depends on
  // the estimate.
  window->resize(outer.size() - frameExtra);
  window->move(outer.topLeft());
}

QPoint MovedInside(const QRect& outer, const QRect& area) {
  const int left = std::max(area.left(), std::min(outer.left(), area.left() + area.width() - outer.width()));
  const int top = std::max(area.top(), std::min(outer.top(), area.top() + area.height() - outer.height()));
  return QPoint(left, top);
}

void PlaceAgainWhenFramed(QWidget* window, std::function<void()> place, std::vector<QPointer<QWidget>> alsoFramed) {
  if (QObject* earlier = window->findChild<QObject*>(QLatin1String(kWatchName), Qt::FindDirectChildrenOnly)) {
    // The earlier placement must not run any more: it goes now, not later.
    delete earlier;
  }
  if (WithoutWindowManager()) return;
  new FrameWatch(window, std::move(place), std::move(alsoFramed));
}

bool PlacementPending(const QWidget* window) {
  return window->findChild<QObject*>(QLatin1String(kWatchName), Qt::FindDirectChildrenOnly) != nullptr;
}

}  // namespace vq::ui
