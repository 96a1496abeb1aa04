#include "window/LibraryMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include "kits/app/Message.h"
#include "preset/FactoryLibrary.h"
#include "preset/Randomize.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

namespace {

QAction* AddMessage(QMenu* menu, const QString& label, TunkWindow* window, const BMessage& message)
{
	QAction* action = menu->addAction(label);
	QObject::connect(action, &QAction::triggered, menu, [window, message] {
		BMessage copy(message);
		window->PostMessage(&copy);
	});
	return action;
}

// Keeps Alt+Down for a drop-down list the user went to (Tab, a click), so that it opens
// the list there; a list that merely holds the window's first focus leaves the key to
// browsing.
class AltDownKeeper : public QObject {
public:
	using QObject::QObject;

protected:
	bool eventFilter(QObject*, QEvent* event) override
	{
		switch (event->type()) {
			case QEvent::FocusIn:
				if (ByUser(static_cast<QFocusEvent*>(event)->reason()))
					fChosen = true;
				break;
			case QEvent::FocusOut:
				if (ByUser(static_cast<QFocusEvent*>(event)->reason()) ||
				    static_cast<QFocusEvent*>(event)->reason() == Qt::OtherFocusReason)
					fChosen = false;
				break;
			case QEvent::ShortcutOverride: {
				auto* key = static_cast<QKeyEvent*>(event);
				if (fChosen && key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier)
					event->accept();
				break;
			}
			default: break;
		}
		return false;
	}

private:
	static bool ByUser(Qt::FocusReason reason)
	{
		return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
		       reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
	}

	bool fChosen = false;
};

} // namespace

void KeepAltDownFor(QWidget* widget)
{
	// The key goes to the widget at the end of the focus proxies.
	while (widget != nullptr && widget->focusProxy() != nullptr)
		widget = widget->focusProxy();
	if (widget != nullptr)
		widget->installEventFilter(new AltDownKeeper(widget));
}

std::string SuggestedFileName(const std::string& document, const char* extension)
{
	std::string base = document.empty() ? std::string(kUntitledName) : document;
	constexpr char kPreset[] = ".tunk";
	const size_t length = sizeof(kPreset) - 1;
	if (base.size() > length && base.compare(base.size() - length, length, kPreset) == 0)
		base.resize(base.size() - length);
	return base + extension;
}

std::vector<std::string> PresetNameFilters()
{
	return {"Tunk presets (*.tunk)", "All files (*)"};
}

void AddLibraryMenus(TunkWindow* window)
{
	TunkMenus* menus = window->Menus();
	if (menus == nullptr)
		return;

	QMenu* library = new QMenu(QStringLiteral("&Library"), menus->Bar());
	library->setObjectName(QStringLiteral("LibraryMenu"));
	library->setToolTipsVisible(true);
	for (const FactoryCategory& category : ReadFactoryLibrary(FindFactoryFolder())) {
		QMenu* sub = library->addMenu(QString::fromStdString(category.name));
		sub->setToolTipsVisible(true);
		for (const FactorySound& sound : category.sounds) {
			BMessage message(kMsgLibrarySound);
			message.AddString("path", sound.path.string().c_str());
			message.AddString("name", sound.name.c_str());
			QAction* action = AddMessage(sub, QString::fromStdString(sound.name), window, message);
			action->setToolTip(QString::fromStdString(sound.description));
		}
	}
	library->setEnabled(!library->isEmpty());
	menus->Bar()->insertMenu(menus->HelpMenu()->menuAction(), library);

	QMenu* sound = menus->SoundMenu();
	sound->addSeparator();
	menus->AddCommand(sound, "Randomize", kMsgRandomize, {QKeySequence(QStringLiteral("Ctrl+R"))});
	QMenu* categories = sound->addMenu(QStringLiteral("Randomize Category"));
	auto* group = new QActionGroup(categories);
	for (const SoundCategoryName& c : SoundCategories()) {
		BMessage message(kMsgRandomize);
		message.AddInt32("category", int32(c.category));
		QAction* action = AddMessage(categories, QString::fromUtf8(c.name), window, message);
		action->setCheckable(true);
		action->setChecked(c.category == SoundCategory::Anything);
		group->addAction(action);
	}
	menus->AddCommand(sound, "Mutate", kMsgMutate, {QKeySequence(QStringLiteral("Ctrl+M"))});
	menus->AddCommand(sound, "Normalize", kMsgNormalize);
	sound->addSeparator();
	menus->AddCommand(
	    sound, "Next Preset in Folder", kMsgBrowseNext, {QKeySequence(QStringLiteral("Alt+Down"))});
	menus->AddCommand(sound, "Previous Preset in Folder", kMsgBrowsePrevious,
	    {QKeySequence(QStringLiteral("Alt+Up"))});
}
