#include "window/ExportFormats.h"

#include <cctype>
#include <initializer_list>
#include <vector>

#include "engine/TunkSound.h"
#include "kits/app/Message.h"
#include "kits/interface/FilePanel.h"

namespace {

struct ExportFormat {
	const char* format;  // the writer's name
	const char* type;    // as the panel shows it
	std::initializer_list<const char*> extensions;
};

const ExportFormat kFormats[] = {
	{"wav", "WAV audio (*.wav)", {"wav"}},
	{"flac", "FLAC audio (*.flac)", {"flac"}},
	{"aiff", "AIFF audio (*.aiff *.aif)", {"aiff", "aif"}},
	{"ogg", "Ogg Vorbis audio (*.ogg *.oga)", {"ogg", "oga"}},
};

std::string lower_extension(const std::string& name)
{
	const size_t dot = name.rfind('.');
	if (dot == std::string::npos || dot == 0)
		return "";
	std::string extension = name.substr(dot + 1);
	for (char& c : extension)
		c = char(std::tolower(static_cast<unsigned char>(c)));
	return extension;
}

} // namespace

void OfferExportFormats(BFilePanel* panel)
{
	std::vector<std::string> types;
	for (const ExportFormat& format : kFormats)
		types.emplace_back(format.type);
	panel->SetNameFilters(types);
}

std::string ExportFormatFor(const std::string& name, int32 chosenType)
{
	const std::string extension = lower_extension(name);
	for (const ExportFormat& format : kFormats) {
		for (const char* known : format.extensions) {
			if (extension == known)
				return format.format;
		}
	}
	if (chosenType < 0 || chosenType >= int32(std::size(kFormats)))
		return "wav";
	return kFormats[chosenType].format;
}

void ExportSound(TunkSound* sound, BMessage* reply, const BFilePanel& panel)
{
	std::string name;
	reply->FindString("name", &name);
	reply->RemoveName("format");
	reply->AddString("format", ExportFormatFor(name, panel.SelectedNameFilter()));
	sound->WriteSoundToFile(reply);
}
