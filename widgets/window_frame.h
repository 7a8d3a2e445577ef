// Top-level windows placed by their outer rectangle, the window manager's frame included.
// A window manager frames a window only after the window has been mapped: until then
// frameGeometry() equals geometry() and the frame's size is unknown. So a window is placed
// first with an estimate of its frame, and once more when the window manager has framed
// it (and the windows its place is measured from).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <vector>

namespace vq::ui {

// True once the window manager has put its frame around the shown window.
bool HasFrame(const QWidget* window);

// What the frame adds to the window's client size; zero until the window has its frame.
QSize FrameExtra(const QWidget* window);

// The window's own frame size once it has a frame, else `estimate`.
QSize FrameExtraOr(const QWidget* window, QSize estimate);

// Puts a top-level window so that its outer rectangle is `outer`. Until the window has
// its own frame, `frameExtra` is taken for what the frame will add to the client size;
// afterwards the frame's real margins count.
void SetOuterGeometry(QWidget* window, const QRect& outer, QSize frameExtra);

// The top-left corner that puts `outer` inside `area`, moved no further than needed. A
// rectangle wider or taller than the area keeps that side's start on the area's.
QPoint MovedInside(const QRect& outer, const QRect& area);

// Runs `place` once more when the shown `window` and each window of `alsoFramed` have
// their frames, or after a short bound if a frame never comes (a window manager without
// frames). Where the platform has no window manager (offscreen) nothing is scheduled: its
// frames are its own, known as soon as a window is shown and alike for every window, so
// a place estimated from the main window's frame is already exact. A later call for the
// same window replaces the earlier one; the watch ends with the window.
void PlaceAgainWhenFramed(QWidget* window, std::function<void()> place,
                          std::vector<QPointer<QWidget>> alsoFramed = {});

// True while the window's placement still waits for frames.
bool PlacementPending(const QWidget* window);

}  // namespace vq::ui
