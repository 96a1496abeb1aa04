#include "window/FileAlert.h"

#include "kits/support/Errors.h"

std::string ReasonText(status_t status)
{
	if (status == B_BAD_DATA)
		return "Not a Tunk preset";
	return DescribeStatus(status);
}

std::string FileAlertText(const char* text, const std::string& path, status_t status)
{
	return FileAlertText(std::string(text), path, ReasonText(status));
}
