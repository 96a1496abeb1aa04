#include "kits/interface/MenuField.h"

#include <QAction>
#include <QKeyEvent>
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
		// The pop-up opens on the current choice, as a drop-down list does.
		QObject::connect(fMenu->QtMenu(), &QMenu::aboutToShow, fButton, [this] {
			if (BMenuItem* marked = fMenu->FindMarked())
				fMenu->QtMenu()->setActiveAction(marked->Action());
		});
	}
	panel->setFocusProxy(fButton);
	panel->setFocusPolicy(fButton->focusPolicy());
	tunk_internal::OnKeyPress(fButton, [this](const QKeyEvent* key) { return MenuKey(key); });
	SetControlWidget(panel);
	UpdateMenuLabel();
}

// The space bar belongs to the window (it plays): Enter, F4 and Alt+Down open the menu, as
// desktop users expect of a drop-down list, and Up and Down choose the item above or below the
// marked one, as a choice with the mouse would.
bool BMenuField::MenuKey(const QKeyEvent* key)
{
	if (fMenu == nullptr || !IsEnabled())
		return false;
	bool alt = (key->modifiers() & Qt::AltModifier) != 0;
	if (tunk_internal::IsEnterKey(key) || (key->key() == Qt::Key_F4 && !alt) ||
	    (key->key() == Qt::Key_Down && alt)) {
		fButton->showMenu();
		return true;
	}
	if ((key->key() != Qt::Key_Up && key->key() != Qt::Key_Down) ||
	    (key->modifiers() & tunk_internal::kCommandKeys) != 0)
		return false;
	int32 step = key->key() == Qt::Key_Up ? -1 : 1;
	BMenuItem* marked = fMenu->FindMarked();
	int32 index = marked != nullptr ? fMenu->IndexOf(marked) + step : 0;
	for (; index >= 0 && index < fMenu->CountItems(); index += step) {
		BMenuItem* item = fMenu->ItemAt(index);
		if (item->IsEnabled() && item->Action() != nullptr) {
			item->Action()->trigger();
			break;
		}
	}
	return true;
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
