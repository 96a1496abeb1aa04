#include "window/FileAlert.h"

#include "audio/SoundFileWriter.h"

std::string ReasonText(status_t status)
{
	if (status == B_BAD_DATA)
		return "Not a Tunk preset";
	return DescribeStatus(status);
}

std::string FileAlertText(const char* text, const std::string& path, status_t status)
{
	return std::string(text) + "\n" + path + ": " + ReasonText(status);
}
