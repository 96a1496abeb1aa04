#include "kits/interface/FilePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <filesystem>

#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/interface/Window.h"

namespace {

BFilePanel::AnswerHook& Hook()
{
	static BFilePanel::AnswerHook hook;
	return hook;
}

// An entry as its parent directory's path and its leaf name.
entry_ref RefForPath(const std::string& path)
{
	std::filesystem::path p = std::filesystem::path(path).lexically_normal();
	if (!p.has_filename() && p.has_parent_path() && p != p.root_path())
		p = p.parent_path();
	return entry_ref(p.parent_path().c_str(), p.filename().c_str());
}

// The first "*.ext" pattern of a type such as "FLAC audio (*.flac)": "flac"; "" for a type
// without one ("All files (*)").
std::string FirstExtension(const std::string& nameFilter)
{
	const std::string::size_type star = nameFilter.find("*.");
	if (star == std::string::npos)
		return "";
	const std::string::size_type start = star + 2;
	std::string::size_type end = nameFilter.find_first_of(" ;)*", start);
	if (end == std::string::npos)
		end = nameFilter.size();
	return nameFilter.substr(start, end - start);
}

} // namespace

std::string NameWithTypeExtension(const std::string& name, const std::string& nameFilter)
{
	const std::string extension = FirstExtension(nameFilter);
	// Any dot counts, as for the dialog's own default suffix: ".hidden" has the extension
	// "hidden".
	if (name.empty() || extension.empty() || name.find('.') != std::string::npos)
		return name;
	return name + "." + extension;
}

BFilePanel::BFilePanel(file_panel_mode mode, BMessenger* target, const entry_ref* directory,
    uint32 nodeFlavors, bool allowMultipleSelection, BMessage* message, BRefFilter* filter,
    bool modal, bool hideWhenDone)
    : fMode(mode), fTarget(target != nullptr ? *target : BMessenger()),
      fHasTarget(target != nullptr), fDirectory(directory != nullptr ? *directory : entry_ref()),
      fFlavors(nodeFlavors != 0 ? nodeFlavors : uint32(B_FILE_NODE)),
      fMultiple(allowMultipleSelection), fMessage(message), fFilter(filter), fModal(modal),
      fHideWhenDone(hideWhenDone), fWindow(new BWindow(BRect(0, 0, 499, 399),
                                       mode == B_SAVE_PANEL ? "Save" : "Open", B_TITLED_WINDOW, 0))
{
	fDefaultTitle = fWindow->Title();
}

BFilePanel::~BFilePanel()
{
	delete fDialog;
	delete fMessage;
	fWindow->Quit();
}

void BFilePanel::Show()
{
	fShowing = true;
	unsigned serial = ++fShowSerial;
	if (AnswerHook hook = Hook()) {
		// Answered from the event loop, as a person would answer later.
		QTimer::singleShot(0, fWindow->Widget(), [this, hook, serial] {
			if (!fShowing || serial != fShowSerial)
				return;
			std::vector<entry_ref> refs;
			std::string name = fSaveText;
			entry_ref directory = fDirectory;
			if (hook(*this, &refs, &name, &directory))
				SendReply(refs, name, directory);
			Finished();
		});
		return;
	}
	if (fDialog == nullptr) {
		fDialog = new QFileDialog;
		fDialog->setModal(fModal);
		if (fMode == B_SAVE_PANEL) {
			fDialog->setAcceptMode(QFileDialog::AcceptSave);
			fDialog->setFileMode(QFileDialog::AnyFile);
		} else if (fFlavors == B_DIRECTORY_NODE) {
			fDialog->setFileMode(QFileDialog::Directory);
		} else {
			fDialog->setFileMode(
			    fMultiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
		}
		ApplyNameFilters();
		QObject::connect(fDialog, &QFileDialog::filterSelected,
		    [this](const QString& nameFilter) { FollowChosenType(nameFilter); });
		QObject::connect(fDialog, &QFileDialog::accepted, [this] { DialogAccepted(); });
		QObject::connect(fDialog, &QFileDialog::rejected, [this] { Finished(); });
	}
	// Qt's own words unless the program gave its own.
	if (fWindow->Title() != fDefaultTitle)
		fDialog->setWindowTitle(QString::fromUtf8(fWindow->Title()));
	if (!fButtonLabels[B_DEFAULT_BUTTON].empty())
		fDialog->setLabelText(QFileDialog::Accept, QString::fromStdString(fButtonLabels[B_DEFAULT_BUTTON]));
	if (!fButtonLabels[B_CANCEL_BUTTON].empty())
		fDialog->setLabelText(QFileDialog::Reject, QString::fromStdString(fButtonLabels[B_CANCEL_BUTTON]));
	if (!fDirectory.directory.empty())
		fDialog->setDirectory(QString::fromStdString(fDirectory.Path()));
	if (fMode == B_SAVE_PANEL && !fSaveText.empty())
		fDialog->selectFile(QString::fromStdString(fSaveText));
	fDialog->show();
	fDialog->raise();
}

void BFilePanel::SetPanelDirectory(const char* path)
{
	fDirectory = RefForPath(path);
}

void BFilePanel::SetButtonLabel(file_panel_button button, const char* label)
{
	fButtonLabels[button] = label != nullptr ? label : "";
}

void BFilePanel::Hide()
{
	fShowing = false;
	if (fDialog != nullptr)
		fDialog->hide();
}

bool BFilePanel::IsShowing() const
{
	return fShowing;
}

void BFilePanel::SetMessage(BMessage* message)
{
	if (message != fMessage)
		delete fMessage;
	fMessage = message;
}

void BFilePanel::SetTarget(BMessenger target)
{
	fTarget = target;
	fHasTarget = true;
}

void BFilePanel::SetSaveText(const char* text)
{
	fSaveText = text != nullptr ? text : "";
}

void BFilePanel::SetNameFilters(const std::vector<std::string>& filters)
{
	fNameFilters = filters;
	fSelectedFilter = 0;
	ApplyNameFilters();
}

void BFilePanel::SelectNameFilter(int32 index)
{
	if (index < 0 || index >= int32(fNameFilters.size()))
		return;
	fSelectedFilter = index;
	if (fDialog != nullptr)
		fDialog->selectNameFilter(QString::fromStdString(fNameFilters[size_t(index)]));
}

void BFilePanel::ApplyNameFilters()
{
	if (fDialog == nullptr || fNameFilters.empty())
		return;
	QStringList filters;
	for (const std::string& filter : fNameFilters)
		filters << QString::fromStdString(filter);
	fDialog->setNameFilters(filters);
	fDialog->selectNameFilter(filters.value(fSelectedFilter));
	// The dialog adds the type's extension itself, so that its overwrite question asks about
	// the file that will be written.
	if (fMode == B_SAVE_PANEL)
		FollowChosenType(fDialog->selectedNameFilter());
}

void BFilePanel::FollowChosenType(const QString& nameFilter)
{
	fDialog->setDefaultSuffix(QString::fromStdString(FirstExtension(nameFilter.toStdString())));
}

void BFilePanel::DialogAccepted()
{
	// The type may have been chosen without the dialog telling (from code): its extension is
	// taken again before the dialog names the files.
	if (fMode == B_SAVE_PANEL)
		FollowChosenType(fDialog->selectedNameFilter());
	QStringList files = fDialog->selectedFiles();
	const std::string chosen = fDialog->selectedNameFilter().toStdString();
	for (size_t i = 0; i < fNameFilters.size(); i++) {
		if (fNameFilters[i] == chosen)
			fSelectedFilter = int32(i);
	}
	fDirectory = RefForPath(fDialog->directory().absolutePath().toStdString());
	std::vector<entry_ref> refs;
	std::string name;
	entry_ref directory;
	if (fMode == B_SAVE_PANEL) {
		if (!files.isEmpty()) {
			QFileInfo chosen(files.first());
			name = chosen.fileName().toStdString();
			directory = RefForPath(chosen.absolutePath().toStdString());
		}
	} else {
		for (const QString& file : files)
			refs.push_back(RefForPath(QFileInfo(file).absoluteFilePath().toStdString()));
	}
	SendReply(refs, name, directory);
	Finished();
}

void BFilePanel::SendReply(
    const std::vector<entry_ref>& refs, const std::string& name, const entry_ref& directory)
{
	BMessage reply = fMessage != nullptr
	                     ? *fMessage
	                     : BMessage(fMode == B_SAVE_PANEL ? B_SAVE_REQUESTED : B_REFS_RECEIVED);
	if (fMode == B_SAVE_PANEL) {
		const std::string chosenType =
		    fSelectedFilter < int32(fNameFilters.size()) ? fNameFilters[size_t(fSelectedFilter)] : "";
		reply.AddRef("directory", &directory);
		reply.AddString("name", NameWithTypeExtension(name, chosenType));
	} else {
		for (const entry_ref& ref : refs)
			reply.AddRef("refs", &ref);
	}
	BMessenger target = fHasTarget ? fTarget : be_app_messenger;
	target.SendMessage(&reply);
}

// Cancelling hides the panel too; only an accepted choice in a panel that stays up keeps it.
void BFilePanel::Finished()
{
	if (fHideWhenDone || (fDialog != nullptr && !fDialog->isVisible()))
		Hide();
}

void BFilePanel::SetAnswerHook(AnswerHook hook)
{
	Hook() = std::move(hook);
}
