// The pads' sounds in editor windows of their own: opening them, their edits coming back into
// the kit as undo steps, and the kit's undos going out to them.
#include "window/KitWindow.h"

#include "kits/app/AppDefs.h"
#include "preset/KitFile.h"
#include "window/KitPads.h"
#include "window/LibraryMenu.h"
#include "window/TunkWindow.h"

namespace {

std::function<BMessageFilter*()>& KeyFilterMaker()
{
	static std::function<BMessageFilter*()> maker;
	return maker;
}

} // namespace

void KitWindow::SetKeyFilterMaker(std::function<BMessageFilter*()> maker)
{
	KeyFilterMaker() = std::move(maker);
}

TunkWindow* KitWindow::EditorOf(size_t pad) const
{
	if (pad >= kMaxPads || fEditorWindows[pad] == nullptr || !BLooper::IsAlive(fEditorWindows[pad]) ||
	    fEditorWindows[pad]->IsHidden())
		return nullptr;
	return fEditorWindows[pad];
}

TunkWindow* KitWindow::EditPad(size_t pad)
{
	const Kit& kit = CurrentKit();
	if (pad >= kit.pads.size())
		return nullptr;
	if (TunkWindow* open = EditorOf(pad)) {
		open->Activate();
		return open;
	}
	const BRect frame = Frame();
	const float left = frame.left + 30 + 20 * float(pad % kPadColumns);
	const float top = frame.top + 30 + 20 * float(pad / kPadColumns);
	auto* editor = new TunkWindow(BRect(left, top, left + 509, top + 464),
	    KeyFilterMaker() ? KeyFilterMaker()() : nullptr);
	const Pad& p = kit.pads[pad];
	const std::string name = (kit.name.empty() ? fDocument.Name() : kit.name) + ": " +
	                         (p.name.empty() ? "Pad " + std::to_string(pad + 1) : p.name);
	OpenInEditor(editor, pad, name);
	fEditorWindows[pad] = editor;
	editor->Show();
	return editor;
}

void KitWindow::OpenInEditor(TunkWindow* editor, size_t pad, const std::string& title)
{
	const Pad& p = CurrentKit().pads[pad];
	fEditorOpened[pad] = {title, p.soundName};
	editor->EditSoundOf(p.sound, PadSoundExtras(p), title,
	    [this, pad](const tunk::SoundParams& values, const PresetExtras& extras) {
		    SoundEdited(pad, values, extras);
	    });
}

std::string KitWindow::EditorSoundName(size_t pad, const TunkWindow* editor) const
{
	// Another sound loaded in the editor (a library sound) is a document named after it, and
	// so is the sound saved there as a preset of its own.
	const std::string& shown = editor->Document().Name();
	return shown == fEditorOpened[pad].title ? fEditorOpened[pad].soundName : SuggestedFileName(shown, "");
}

void KitWindow::SoundEdited(size_t pad, const tunk::SoundParams& values, const PresetExtras& extras)
{
	TunkWindow* editor = EditorOf(pad);
	if (fSyncing || editor == nullptr || pad >= CurrentKit().pads.size())
		return;
	Kit kit = CurrentKit();
	Pad& target = kit.pads[pad];
	// Another sound loaded in the editor brings its own name, unknown keys and reserved word.
	SetPadSound(&target, values, extras);
	target.soundName = EditorSoundName(pad, editor);
	const std::string step = "Sound of " + (target.name.empty() ? "Pad " + std::to_string(pad + 1)
	                                                            : target.name);
	CommitKit(kit, step.c_str(), MergeKey(kSoundControl, pad));
}

void KitWindow::SyncEditors()
{
	const Kit& kit = CurrentKit();
	fSyncing = true;
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		TunkWindow* editor = EditorOf(pad);
		if (editor == nullptr)
			continue;
		if (pad >= kit.pads.size()) {
			editor->ReleaseSoundOwner();
			editor->PostMessage(B_QUIT_REQUESTED);
			fEditorWindows[pad] = nullptr;
		} else if (editor->Document().Extras() != PadSoundExtras(kit.pads[pad]) ||
		           EditorSoundName(pad, editor) != kit.pads[pad].soundName) {
			// Another sound altogether (a preset loaded on the pad, or its undo): the editor
			// starts over with it, extras and all.
			OpenInEditor(editor, pad, fEditorOpened[pad].title);
		} else if (!tunk::SameBits(editor->Values(), kit.pads[pad].sound)) {
			editor->ApplyParams(kit.pads[pad].sound, "Kit Undo");
		}
	}
	fSyncing = false;
}

void KitWindow::CloseEditors()
{
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if (TunkWindow* editor = EditorOf(pad)) {
			editor->ReleaseSoundOwner();
			editor->Quit();
		}
		fEditorWindows[pad] = nullptr;
	}
}
