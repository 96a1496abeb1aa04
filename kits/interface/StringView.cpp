#include "kits/interface/StringView.h"

#include <QLabel>

BStringView::BStringView(
    BRect frame, const char* name, const char* text, uint32 resizingMode, uint32 flags)
    : BView(frame, name, resizingMode, flags & ~uint32(B_NAVIGABLE)),
      fText(text != nullptr ? text : ""), fLabel(new QLabel(QString::fromUtf8(fText.c_str())))
{
	// The label draws the text; the parent shows through around it.
	SetViewColor(B_TRANSPARENT_COLOR);
	SetShowsImage(false);
	fLabel->setParent(Widget());
	fLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
	LayoutChanged();
	fLabel->show();
}

BStringView::~BStringView() = default;

void BStringView::SetText(const char* text)
{
	const std::string next = text != nullptr ? text : "";
	if (next == fText)
		return;
	fText = next;
	fLabel->setText(QString::fromUtf8(fText.c_str()));
}

void BStringView::SetAlignment(alignment flag)
{
	const Qt::Alignment horizontal = flag == B_ALIGN_RIGHT    ? Qt::AlignRight
	                                 : flag == B_ALIGN_CENTER ? Qt::AlignHCenter
	                                                          : Qt::AlignLeft;
	fLabel->setAlignment(horizontal | Qt::AlignVCenter);
}

void BStringView::LayoutChanged()
{
	fLabel->setGeometry(0, 0, Widget()->width(), Widget()->height());
}
