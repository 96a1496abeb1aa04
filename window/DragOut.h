// Dragging the sound out of the window into a file manager, a track or a sampler: the sound is
// written as a WAV file named after the document into a private temporary folder when the drag
// starts, and offered as that file's URL and as audio/x-wav data.
#pragma once

#include <functional>
#include <string>

class BView;
class QMimeData;
class TunkSound;

// The document's name from a window title ("Tunk v1.1 - kick1*" gives "kick1"), without a
// preset extension; "Untitled" when the title names none.
std::string DocumentNameFromTitle(const std::string& title);

// Writes the engine's current sound as "<documentName>.wav" into a folder of its own (so that
// two drags of the same name never share a file) and describes it for a drop. nullptr, with the
// reason in `error`, when the file cannot be written. The caller owns the data.
QMimeData* MakeSoundDragData(
	const TunkSound& sound, const std::string& documentName, std::string* error);

// Runs the drag of the sound from the view until it is dropped or abandoned. A sound that cannot
// be written is reported on standard error and no drag starts.
void DragSoundOut(const TunkSound& sound, const std::string& documentName, BView* source);

// How far the mouse must move while pressed before a drag starts, in pixels.
float SoundDragStartDistance();

// The private folder the dragged files are written to (made on first use, with everything in it
// removed when the program ends).
std::string SoundDragFolder();

// Lets tests see each drag's data just before the drag runs.
void SetSoundDragObserver(std::function<void(const QMimeData& data)> observer);
