#include "kits/interface/Bitmap.h"

#include <QImage>
#include <algorithm>

#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/View.h"

BBitmap::BBitmap(BRect bounds, color_space space, bool acceptsViews, bool)
    : fBounds(bounds), fSpace(space), fAcceptsViews(acceptsViews)
{
	int width = std::max(bounds.IntegerWidth() + 1, 1);
	int height = std::max(bounds.IntegerHeight() + 1, 1);
	fImage = std::make_unique<QImage>(width, height, QImage::Format_ARGB32);
	fImage->fill(0);
}

BBitmap::~BBitmap()
{
	while (!fChildren.empty()) {
		BView* child = fChildren.back();
		RemoveChild(child);
		delete child;
	}
}

void* BBitmap::Bits()
{
	return fImage->bits();
}

const void* BBitmap::Bits() const
{
	return fImage->constBits();
}

int32 BBitmap::BytesPerRow() const
{
	return int32(fImage->bytesPerLine());
}

int32 BBitmap::BitsLength() const
{
	return int32(fImage->sizeInBytes());
}

void BBitmap::AddChild(BView* view)
{
	if (view == nullptr || !fAcceptsViews || view->Parent() != nullptr)
		return;
	fChildren.push_back(view);
	view->AttachTree(nullptr, this);
	view->NotifyAllAttached();
}

bool BBitmap::RemoveChild(BView* view)
{
	auto it = std::find(fChildren.begin(), fChildren.end(), view);
	if (it == fChildren.end())
		return false;
	fChildren.erase(it);
	view->DetachTree();
	return true;
}

BView* BBitmap::ChildAt(int32 index) const
{
	return tunk_internal::ElementAt(fChildren, index);
}

BView* BBitmap::FindView(const char* name) const
{
	return tunk_internal::FindViewIn(fChildren, name);
}

bool BBitmap::Lock()
{
	fLock.lock();
	++fLockCount;
	return true;
}

void BBitmap::Unlock()
{
	if (fLockCount == 0)
		return;
	--fLockCount;
	fLock.unlock();
}

bool BBitmap::IsLocked() const
{
	return fLockCount > 0;
}
