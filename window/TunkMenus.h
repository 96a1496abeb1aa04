// TunkMenus: a document window's menu bar (File, Edit, the window's own menu, Help) with the
// platform's shortcuts, one set for the sound window (Sound) and the kit window (Pad). Each
// item posts its command to the window, so the window's handler does the work whether a menu,
// a shortcut or a button asked for it.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QMetaObject>

#include "kits/support/SupportDefs.h"

class BWindow;
class KitWindow;
class QAction;
class QMenu;
class QMenuBar;
class TunkWindow;

// The platform's keys for a standard action, and the one every user of the program is told
// about, once each.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey standard, const char* own);

class TunkMenus {
public:
	// Builds the bar and puts it above the window's views.
	explicit TunkMenus(TunkWindow* window);
	explicit TunkMenus(KitWindow* window);
	// Stops following the focus: the window deletes its menus first, so that a focus change
	// while its widgets go never reaches its history.
	~TunkMenus();
	TunkMenus(const TunkMenus&) = delete;
	TunkMenus& operator=(const TunkMenus&) = delete;

	// Undo and Redo name their steps and grey out when there is nothing to do; Repeat
	// follows the check box.
	void Update();

	// A menu item that posts `code` to the window, with the given shortcuts.
	QAction* AddCommand(QMenu* menu, const char* label, uint32 code,
	    const QList<QKeySequence>& keys = {});
	// The item that posts `code`, nullptr when none.
	QAction* Action(uint32 code) const;

	QMenuBar* Bar() const { return fBar; }
	QMenu* FileMenu() const { return fFile; }
	// The window's own menu: Sound or Pad.
	QMenu* SoundMenu() const { return fSound; }
	QMenu* HelpMenu() const { return fHelp; }

	void ShowShortcuts();
	void ShowAbout();

private:
	// What the File menu's document items and the window's own menu say and post.
	struct Item {
		const char* label;
		uint32 code;
		QList<QKeySequence> keys;
	};
	struct WindowItems {
		Item save;
		Item saveAs;
		Item exportTo;
		const char* menu;
		QList<Item> own;  // the window's own menu, before MIDI Input
	};
	void Build(const WindowItems& items);

	BWindow* fWindow;
	TunkWindow* fSoundWindow = nullptr;
	KitWindow* fKitWindow = nullptr;
	QMenuBar* fBar;
	QMenu* fFile;
	QMenu* fEdit;
	QMenu* fSound;
	QMenu* fHelp;
	QAction* fUndo;
	QAction* fRedo;
	QAction* fRepeat = nullptr;
	QMetaObject::Connection fFocusChange;
};
