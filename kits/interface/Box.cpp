#include "kits/interface/Box.h"

#include <QGroupBox>

BBox::BBox(BRect frame, const char* name, uint32 resizingMode, uint32 flags, border_style border)
    : BView(frame, name, resizingMode, flags), fBorder(border), fGroupBox(new QGroupBox)
{
	SetViewColor(B_TRANSPARENT_COLOR);
	SetShowsImage(false);
	fGroupBox->setParent(Widget());
	fGroupBox->setFocusPolicy(Qt::NoFocus);
	Widget()->setFocusPolicy(Qt::NoFocus);
	SetBorder(border);
	LayoutChanged();
	fGroupBox->show();
}

BBox::~BBox() = default;

void BBox::SetBorder(border_style border)
{
	fBorder = border;
	fGroupBox->setFlat(border != B_FANCY_BORDER);
	fGroupBox->setStyleSheet(
	    border == B_NO_BORDER ? QStringLiteral("QGroupBox { border: none; }") : QString());
}

void BBox::SetLabel(const char* label)
{
	fLabel = label != nullptr ? label : "";
	fGroupBox->setTitle(QString::fromUtf8(fLabel.c_str()));
}

void BBox::LayoutChanged()
{
	fGroupBox->setGeometry(0, 0, Widget()->width(), Widget()->height());
}
