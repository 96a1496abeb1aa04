// BBitmap: an off-screen image. A bitmap that accepts views can have child views whose drawing
// lands in its pixels.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "kits/interface/GraphicsDefs.h"
#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"

class BView;
class QImage;

class BBitmap {
public:
	// The pixels start transparent black (all bytes 0).
	BBitmap(BRect bounds, color_space space, bool acceptsViews = false,
	    bool needsContiguousMemory = false);
	virtual ~BBitmap();

	BBitmap(const BBitmap&) = delete;
	BBitmap& operator=(const BBitmap&) = delete;

	status_t InitCheck() const { return B_OK; }
	bool IsValid() const { return true; }

	BRect Bounds() const { return fBounds.OffsetToCopy(0, 0); }
	color_space ColorSpace() const { return fSpace; }
	void* Bits();
	const void* Bits() const;
	int32 BytesPerRow() const;
	int32 BitsLength() const;

	// Child views draw into the bitmap; each one's AttachedToWindow runs when it is added. The
	// bitmap owns its children.
	void AddChild(BView* view);
	bool RemoveChild(BView* view);
	int32 CountChildren() const { return int32(fChildren.size()); }
	BView* ChildAt(int32 index) const;
	BView* FindView(const char* name) const;

	// A recursive lock that stands for the bitmap's drawing context.
	bool Lock();
	void Unlock();
	bool IsLocked() const;

	QImage& Image() { return *fImage; }
	const QImage& Image() const { return *fImage; }

private:
	BRect fBounds;
	color_space fSpace;
	bool fAcceptsViews;
	std::unique_ptr<QImage> fImage;
	std::vector<BView*> fChildren;
	mutable std::recursive_mutex fLock;
	int32 fLockCount = 0;
};
