#include "kits/interface/MenuField.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/Menu.h"
#include "kits/interface/MenuItem.h"

BMenuField::BMenuField(BRect frame, const char* name, const char* label, BMenu* menu,
    uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, nullptr, resizingMode, flags), fMenu(menu), fDivider(0),
      fLabelWidget(new QLabel), fButton(new QPushButton)
{
	auto* panel = new QWidget;
	fLabelWidget->setParent(panel);
	fButton->setParent(panel);
	fLabelWidget->setText(QString::fromUtf8(Label()));
	fDivider =
	    tunk_internal::DefaultDivider(fLabelWidget, Label()[0] != '\0', Bounds().IntegerWidth());
	if (fMenu != nullptr) {
		fMenu->fField = this;
		fButton->setMenu(fMenu->QtMenu());
	}
	panel->setFocusProxy(fButton);
	panel->setFocusPolicy(fButton->focusPolicy());
	SetControlWidget(panel);
	UpdateMenuLabel();
}

BMenuField::~BMenuField()
{
	delete fMenu;
}

const char* BMenuField::MenuLabel() const
{
	fMenuLabelCache = fButton->text().toStdString();
	return fMenuLabelCache.c_str();
}

void BMenuField::UpdateMenuLabel()
{
	if (fMenu == nullptr)
		return;
	BMenuItem* marked = fMenu->IsLabelFromMarked() ? fMenu->FindMarked() : nullptr;
	const char* text = marked != nullptr ? marked->Label() : fMenu->Name();
	fButton->setText(QString::fromUtf8(text));
}

void BMenuField::SetLabel(const char* label)
{
	BControl::SetLabel(label);
	fLabelWidget->setText(QString::fromUtf8(Label()));
	LayoutChanged();
}

void BMenuField::SetEnabled(bool enabled)
{
	BControl::SetEnabled(enabled);
	if (fMenu != nullptr)
		fMenu->SetEnabled(enabled);
}

void BMenuField::SetDivider(float xCoordinate)
{
	fDivider = std::max(xCoordinate, 0.0f);
	LayoutChanged();
}

void BMenuField::LayoutChanged()
{
	BControl::LayoutChanged();
	tunk_internal::PlaceLabelAndField(
	    fLabelWidget, fButton, fDivider, Widget()->width(), Widget()->height());
}
