#include "plugin/ui/EditorLink.h"

#include <charconv>
#include <cmath>

namespace tunk::editor_link {

namespace {

// Shortest round-trip text, in the C locale whatever the process's.
std::string Number(float value)
{
	char text[32];
	const auto result = std::to_chars(text, text + sizeof text, value);
	return std::string(text, result.ptr);
}

template <typename T> bool Read(std::string_view text, T* value)
{
	if (text.empty())
		return false;
	const auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
	return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// The word before the first space and what follows that space ("" when there is none).
std::pair<std::string_view, std::string_view> Split(std::string_view text)
{
	const size_t space = text.find(' ');
	if (space == std::string_view::npos)
		return {text, {}};
	return {text.substr(0, space), text.substr(space + 1)};
}

} // namespace

std::string SetLine(std::string_view symbol, float value)
{
	return "set " + std::string(symbol) + " " + Number(value) + "\n";
}

std::string OpenLine(std::string_view name)
{
	// A newline in the name would end the line early.
	std::string line = "open ";
	for (char c : name)
		line += (c == '\n' || c == '\r') ? ' ' : c;
	return line + "\n";
}

std::string PlayLine(int velocity)
{
	return "play " + std::to_string(velocity) + "\n";
}

std::string StopLine()
{
	return "stop\n";
}

std::string SizeLine(int width, int height)
{
	return "size " + std::to_string(width) + " " + std::to_string(height) + "\n";
}

std::optional<Message> ReadLine(std::string_view line)
{
	const auto [word, rest] = Split(line);
	Message message;
	if (word == "set") {
		const auto [symbol, value] = Split(rest);
		message.kind = Message::kSet;
		message.name = std::string(symbol);
		if (symbol.empty() || !Read(value, &message.value) || !std::isfinite(message.value))
			return std::nullopt;
		return message;
	}
	if (word == "open") {
		message.kind = Message::kOpen;
		message.name = std::string(rest);
		return message;
	}
	if (word == "play") {
		message.kind = Message::kPlay;
		if (!Read(rest, &message.first) || message.first < 1 || message.first > 127)
			return std::nullopt;
		return message;
	}
	if (word == "stop" && rest.empty()) {
		message.kind = Message::kStop;
		return message;
	}
	if (word == "size") {
		const auto [width, height] = Split(rest);
		message.kind = Message::kSize;
		if (!Read(width, &message.first) || !Read(height, &message.second) || message.first < 1 ||
		    message.second < 1)
			return std::nullopt;
		return message;
	}
	return std::nullopt;
}

std::optional<std::string> LineBuffer::Next()
{
	for (;;) {
		const size_t end = fPending.find('\n');
		if (end == std::string::npos) {
			if (fPending.size() > kMaxLine) {
				fPending.clear();
				fSkipping = true;
			}
			return std::nullopt;
		}
		std::string line = fPending.substr(0, end);
		fPending.erase(0, end + 1);
		// The tail of a line too long to keep.
		if (fSkipping) {
			fSkipping = false;
			continue;
		}
		if (line.size() > kMaxLine)
			continue;
		return line;
	}
}

} // namespace tunk::editor_link
