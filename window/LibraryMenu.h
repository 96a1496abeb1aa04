// The sound library in an editor window: the Library menu of factory sounds, Randomize,
// Mutate and Normalize in the Sound menu, browsing a folder by ear, and the commands they
// post to the window (handled in window/TunkWindowLibrary.cpp).
#pragma once

#include <string>
#include <vector>

#include "kits/support/SupportDefs.h"

class QWidget;
class TunkWindow;

enum : uint32 {
	// "path" and "name": a factory sound to load.
	kMsgLibrarySound = four_char_code("lbsd"),
	// "category" (int32, a SoundCategory) when chosen from the submenu; without it the
	// category chosen last.
	kMsgRandomize = four_char_code("rndm"),
	kMsgMutate = four_char_code("mutt"),
	kMsgNormalize = four_char_code("nrmz"),
	kMsgBrowseNext = four_char_code("brnx"),
	kMsgBrowsePrevious = four_char_code("brpv"),
};

// What a save panel starts with: the document's name and the extension ("Untitled.tunk",
// "Deep Kick.wav"), without a preset extension the name already has.
std::string SuggestedFileName(const std::string& document, const char* extension);

// The preset panels' file types: presets first, then every file.
std::vector<std::string> PresetNameFilters();

// Alt+Down browses the folder everywhere in the window but on a drop-down list the user
// went to, which it opens: the list's widget then keeps the key from the window's shortcut.
void KeepAltDownFor(QWidget* widget);

// Adds the Library menu (one submenu per category of the factory folder, none when the
// folder is missing) and the Sound menu's library items to the window's menu bar.
void AddLibraryMenus(TunkWindow* window);
