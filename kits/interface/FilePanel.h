// BFilePanel: a non-modal file dialog. An open panel sends its message (B_REFS_RECEIVED by
// default) with the chosen files as "refs" to its target (the application when none is given);
// a save panel sends its message (B_SAVE_REQUESTED by default) with "directory" (the chosen
// directory as an entry_ref: its parent's path and its own name) and "name". Each panel owns a
// hidden BWindow, so panels count in be_app->CountWindows() while they exist.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kits/app/Messenger.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"

class BMessage;
class BNode;
class BWindow;
class QFileDialog;
class QString;
struct stat;

enum file_panel_mode {
	B_OPEN_PANEL,
	B_SAVE_PANEL,
};

enum file_panel_button {
	B_CANCEL_BUTTON,
	B_DEFAULT_BUTTON,
};

enum node_flavor {
	B_FILE_NODE = 0x01,
	B_SYMLINK_NODE = 0x02,
	B_DIRECTORY_NODE = 0x04,
	B_ANY_NODE = 0x07,
};

// Decides which entries a panel lists.
class BRefFilter {
public:
	virtual ~BRefFilter() = default;
	virtual bool Filter(
	    const entry_ref* ref, BNode* node, struct stat* st, const char* mimeType) = 0;
};

// The typed name of a save panel with the extension of the chosen type ("FLAC audio (*.flac)")
// added when the name has none: "ex" gives "ex.flac", "ex.wav" and ".hidden" stay, and so does
// every name under a type without an extension ("All files (*)").
std::string NameWithTypeExtension(const std::string& name, const std::string& nameFilter);

class BFilePanel {
public:
	// nodeFlavors 0 means files (B_FILE_NODE). The panel copies the target and the directory
	// and takes ownership of the message.
	BFilePanel(file_panel_mode mode = B_OPEN_PANEL, BMessenger* target = nullptr,
	    const entry_ref* directory = nullptr, uint32 nodeFlavors = 0,
	    bool allowMultipleSelection = true, BMessage* message = nullptr,
	    BRefFilter* filter = nullptr, bool modal = false, bool hideWhenDone = true);
	virtual ~BFilePanel();

	BFilePanel(const BFilePanel&) = delete;
	BFilePanel& operator=(const BFilePanel&) = delete;

	void Show();
	void Hide();
	bool IsShowing() const;

	void SetMessage(BMessage* message);
	void SetTarget(BMessenger target);
	BMessenger Messenger() const { return fTarget; }
	void SetSaveText(const char* text);
	// The folder the panel shows when it opens next; it then starts where it was left.
	void SetPanelDirectory(const char* path);
	// The label of the panel's Save or Open button (B_DEFAULT_BUTTON) or its Cancel button.
	// The dialog's title is that of Window(), once it was set to one of the program's own.
	void SetButtonLabel(file_panel_button button, const char* label);
	// The file types the panel offers, as "Name (*.ext ...)"; the first is chosen until the user
	// (or SelectNameFilter) picks another. Without any, every file is listed.
	void SetNameFilters(const std::vector<std::string>& filters);
	// The file types as set, for tests.
	const std::vector<std::string>& NameFilters() const { return fNameFilters; }
	void SelectNameFilter(int32 index);
	// The chosen file type's index in NameFilters(), as of the last answer.
	int32 SelectedNameFilter() const { return fSelectedFilter; }
	void SetHideWhenDone(bool hide) { fHideWhenDone = hide; }
	bool HidesWhenDone() const { return fHideWhenDone; }
	void SetRefFilter(BRefFilter* filter) { fFilter = filter; }
	BRefFilter* RefFilter() const { return fFilter; }

	file_panel_mode PanelMode() const { return fMode; }
	bool AllowsMultipleSelection() const { return fMultiple; }
	uint32 NodeFlavors() const { return fFlavors; }

	// The panel's window (counted among the application's windows).
	BWindow* Window() const { return fWindow; }
	// The Qt dialog while the panel is shown without an answer hook, nullptr otherwise.
	QFileDialog* Dialog() const { return fDialog; }

	// Lets code answer panels without a person: while a hook is installed, Show calls it soon
	// afterwards from the event loop instead of showing a dialog. For an open panel it fills
	// refs, for a save panel name and directory; true accepts (the reply is sent), false
	// cancels.
	using AnswerHook = std::function<bool(
	    BFilePanel& panel, std::vector<entry_ref>* refs, std::string* name, entry_ref* directory)>;
	static void SetAnswerHook(AnswerHook hook);

	// Sends the reply for the given choice as acceptance in the dialog does; a save panel's
	// name gets the chosen type's extension when it has none.
	void SendReply(
	    const std::vector<entry_ref>& refs, const std::string& name, const entry_ref& directory);

private:
	void DialogAccepted();
	void ApplyNameFilters();
	void FollowChosenType(const QString& nameFilter);
	void Finished();

	file_panel_mode fMode;
	BMessenger fTarget;
	bool fHasTarget;
	entry_ref fDirectory;
	uint32 fFlavors;
	bool fMultiple;
	BMessage* fMessage;
	BRefFilter* fFilter;
	bool fModal;
	bool fHideWhenDone;
	bool fShowing = false;
	std::string fSaveText;
	std::string fButtonLabels[2];
	std::string fDefaultTitle;
	std::vector<std::string> fNameFilters;
	int32 fSelectedFilter = 0;
	BWindow* fWindow;
	QFileDialog* fDialog = nullptr;
	unsigned fShowSerial = 0;
};
