// The export panel's file types: every format the sound-file writer writes, WAV first. The
// typed name's extension decides when it names one of them; otherwise the chosen type does, and
// the name is kept exactly as typed.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class BFilePanel;
class BMessage;
class TunkSound;

// Offers WAV (chosen), FLAC, AIFF and Ogg Vorbis.
void OfferExportFormats(BFilePanel* panel);

// The writer's format ("wav", "flac", "aiff", "ogg") for a typed name and the chosen type's index.
std::string ExportFormatFor(const std::string& name, int32 chosenType);

// Hands the panel's reply to the engine's export, with the format it is to write.
void ExportSound(TunkSound* sound, BMessage* reply, const BFilePanel& panel);
