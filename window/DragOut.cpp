#include "window/DragOut.h"

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "audio/SoundFileWriter.h"
#include "engine/TunkSound.h"
#include "kits/interface/View.h"
#include "window/TunkWindow.h"

namespace {

// The private folder, removed with its files when the program ends normally.
class DragFolder {
public:
	~DragFolder()
	{
		std::error_code ignored;
		if (!fPath.empty())
			std::filesystem::remove_all(fPath, ignored);
	}

	// Made on first use, readable by its owner only.
	const std::string& Path()
	{
		if (fPath.empty()) {
			std::error_code error;
			std::string pattern =
				(std::filesystem::temp_directory_path(error) / "tunk-drag-XXXXXX").string();
			if (!error && mkdtemp(pattern.data()) != nullptr)
				fPath = pattern;
		}
		return fPath;
	}

	// A new sub-folder for one drag.
	std::string NextDrag()
	{
		if (Path().empty())
			return "";
		std::string folder = fPath + "/" + std::to_string(++fDrags);
		std::error_code error;
		std::filesystem::create_directory(folder, error);
		return error ? "" : folder;
	}

private:
	std::string fPath;
	unsigned fDrags = 0;
};

DragFolder& drag_folder()
{
	static DragFolder folder;
	return folder;
}

std::function<void(const QMimeData&)>& observer()
{
	static std::function<void(const QMimeData&)> hook;
	return hook;
}

bool ends_with_ignoring_case(const std::string& text, const std::string& ending)
{
	if (text.size() < ending.size())
		return false;
	for (size_t i = 0; i < ending.size(); i++) {
		const unsigned char a = text[text.size() - ending.size() + i];
		if (std::tolower(a) != std::tolower(static_cast<unsigned char>(ending[i])))
			return false;
	}
	return true;
}

} // namespace

std::string DocumentNameFromTitle(const std::string& title)
{
	std::string name = title;
	if (name.starts_with(kTunkTitlePrefix))
		name.erase(0, sizeof(kTunkTitlePrefix) - 1);
	if (!name.empty() && name.back() == '*')
		name.pop_back();
	if (ends_with_ignoring_case(name, ".tunk") && name.size() > 5)
		name.resize(name.size() - 5);
	// A leaf name never holds a slash; a title might, and the file must stay in its folder.
	for (char& c : name) {
		if (c == '/')
			c = '_';
	}
	if (name.empty() || name == "." || name == "..")
		return kUntitledName;
	return name;
}

QMimeData* MakeSoundDragData(
	const TunkSound& sound, const std::string& documentName, std::string* error)
{
	const std::string folder = drag_folder().NextDrag();
	if (folder.empty()) {
		*error = "no private temporary folder";
		return nullptr;
	}
	const std::string path = folder + "/" + documentName + ".wav";
	int64 count = 0;
	const int16* samples = sound.GetBuffer(&count);
	// Export WAV's writer, so that the drop receives the bytes an export would write.
	if (status_t status = WriteSoundFile(samples, samples != nullptr ? count : 0, path, "wav");
		status != B_OK) {
		*error = FileProblemText(path, DescribeStatus(status));
		return nullptr;
	}
	QFile file(QString::fromStdString(path));
	if (!file.open(QIODevice::ReadOnly)) {
		*error = path + ": " + file.errorString().toStdString();
		return nullptr;
	}
	auto data = std::make_unique<QMimeData>();
	data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
	data->setData("audio/x-wav", file.readAll());
	return data.release();
}

void DragSoundOut(const TunkSound& sound, const std::string& documentName, BView* source)
{
	std::string error;
	QMimeData* data = MakeSoundDragData(sound, documentName, &error);
	if (data == nullptr) {
		std::fprintf(stderr, "tunk: the sound cannot be dragged out: %s\n", error.c_str());
		return;
	}
	// The drag owns its data; Qt deletes the drag when it is over.
	auto* drag = new QDrag(source->Widget());
	drag->setMimeData(data);
	if (observer())
		observer()(*data);
	drag->exec(Qt::CopyAction);
}

float SoundDragStartDistance()
{
	return float(QApplication::startDragDistance());
}

std::string SoundDragFolder()
{
	return drag_folder().Path();
}

void SetSoundDragObserver(std::function<void(const QMimeData& data)> observer_)
{
	observer() = std::move(observer_);
}
