// BWindow: a looper and a Qt top-level widget. The client area has the frame's size and sits at
// the frame's left-top corner in screen coordinates.
#pragma once

#include <string>
#include <vector>

#include "kits/app/Looper.h"
#include "kits/interface/InterfaceDefs.h"
#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"

class BView;
class QScrollArea;
class QWidget;

namespace tunk_internal {
class WindowWidget;
class KeyRouter;
class ViewWidget;
} // namespace tunk_internal

class BWindow : public BLooper {
public:
	BWindow(BRect frame, const char* title, window_type type, uint32 flags,
	    uint32 workspace = B_CURRENT_WORKSPACE);
	// Deletes the views.
	~BWindow() override;

	void Show();
	void Hide();
	bool IsHidden() const;
	void Activate(bool active = true);

	// Hides the window and deletes it (after the running handler returns, when called from one
	// of the window's handlers).
	void Quit() override;
	// Asked when the user closes the window; true lets it go (the default).
	bool QuitRequested() override;
	void DispatchMessage(BMessage* message, BHandler* handler) override;
	// The default drops the message.
	void MessageReceived(BMessage* message) override;

	void SetTitle(const char* title);
	const char* Title() const { return fTitle.c_str(); }
	window_type Type() const { return fType; }
	uint32 Flags() const { return fFlags; }

	// Bounds: 0, 0, width - 1, height - 1. Frame: the client area in screen coordinates.
	BRect Bounds() const;
	BRect Frame() const;
	void MoveTo(BPoint where);
	void MoveTo(float x, float y);
	void ResizeTo(float width, float height);

	// The top-level views. The window owns them.
	void AddChild(BView* view, BView* before = nullptr);
	bool RemoveChild(BView* view);
	int32 CountChildren() const { return int32(fChildren.size()); }
	BView* ChildAt(int32 index) const;
	// The view with the name anywhere in the window, nullptr when none.
	BView* FindView(const char* name) const;
	// The view that has the keyboard focus (the view holding the focused Qt widget).
	BView* CurrentFocus() const;

	// Repaints, through Draw, every view that asked for it.
	void UpdateIfNeeded();

	// Puts a menu bar (a Qt widget the window then owns) above the views: the window grows by
	// its height, and Bounds and every view's frame stay as they were.
	void SetMenuBar(QWidget* menuBar);
	// Puts a status bar (a Qt widget the window then owns) below the views, in the same way.
	void SetStatusBar(QWidget* statusBar);
	// The bars, for tests.
	QWidget* MenuBar() const { return fMenuBar; }
	QWidget* StatusBar() const { return fStatusBar; }

	// Puts a view (which the window then owns) beside the views, right of Bounds and as tall
	// as them at most: the window grows by its width, and Bounds, the top-level views and
	// their frames stay as they were. FindView finds the views inside it; it is no child.
	void SetSideView(BView* view);
	BView* SideView() const { return fSideView; }

	// When the window, bars included, is larger than `screen` (a screen's usable area), the
	// views and the side view scroll between the bars of a window cut to the screen's size, as
	// desktop programs do on a small screen. Bounds and every view's frame stay as they were.
	void FitInto(BRect screen);
	// The scroller, once FitInto had to cut the window; nullptr before.
	QScrollArea* Scroller() const { return fScroller; }

	// The Qt top-level widget, for tests.
	QWidget* Widget() const;
	// The window that shows this Qt widget (or one of its ancestors), nullptr when none.
	static BWindow* WindowFor(const QWidget* widget);

protected:
	void DeleteSelf() override;

private:
	friend class BView;
	friend class tunk_internal::WindowWidget;
	friend class tunk_internal::KeyRouter;
	friend class tunk_internal::ViewWidget;

	void UserClosed();
	void AddBar(QWidget*& slot, QWidget* bar);
	void SetWidgetSize(int width, int height);
	int MenuBarHeight() const;
	int StatusBarHeight() const;
	// Where the top-level views' widgets live: the window's widget, or the scroller's canvas.
	QWidget* ViewsParent() const;
	// The top of the views in ViewsParent(): below the menu bar unless they scroll.
	int ViewsTop() const;
	int SideWidth() const;
	void PlaceViews();

	std::string fTitle;
	window_type fType;
	uint32 fFlags;
	BRect fFrame;
	std::vector<BView*> fChildren;
	tunk_internal::WindowWidget* fWidget = nullptr;
	QWidget* fMenuBar = nullptr;
	QWidget* fStatusBar = nullptr;
	BView* fSideView = nullptr;
	QScrollArea* fScroller = nullptr;
	QWidget* fCanvas = nullptr;
};
