#include "window/ExportFormats.h"

#include <vector>

#include "audio/SoundFileWriter.h"
#include "engine/TunkSound.h"
#include "kits/app/Message.h"
#include "kits/interface/FilePanel.h"

void OfferExportFormats(BFilePanel* panel)
{
	std::vector<std::string> types;
	for (const SoundFileFormat& format : SoundFileFormats()) {
		std::string type = std::string(format.title) + " audio (";
		for (const char* extension : format.extensions)
			type += std::string(type.back() == '(' ? "" : " ") + "*." + extension;
		types.push_back(type + ")");
	}
	panel->SetNameFilters(types);
}

std::string ExportFormatFor(const std::string& name, int32 chosenType)
{
	if (std::string named = SoundFileFormatOfPath(name); !named.empty())
		return named;
	const auto formats = SoundFileFormats();
	if (chosenType < 0 || size_t(chosenType) >= formats.size())
		return "wav";
	return formats[size_t(chosenType)].name;
}

void ExportSound(TunkSound* sound, BMessage* reply, const BFilePanel& panel)
{
	std::string name;
	reply->FindString("name", &name);
	reply->RemoveName("format");
	reply->AddString("format", ExportFormatFor(name, panel.SelectedNameFilter()));
	sound->WriteSoundToFile(reply);
}
