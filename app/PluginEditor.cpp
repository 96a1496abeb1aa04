#include "app/PluginEditor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/SpaceBarFilter.h"
#include "app/TunkApp.h"
#include "engine/TunkSound.h"
#include "kits/app/Message.h"
#include "plugin/ui/EditorProcess.h"
#include "preset/PresetRecord.h"
#include "window/KitWindow.h"
#include "window/TunkWindow.h"

using tunk::editor_link::Message;

namespace {

// A click gives the embedded window the keyboard: the host's toolkit hands its keys to the
// UI's own window, not to the editor's inside it.
class FocusOnClick : public QObject {
public:
	explicit FocusOnClick(QWidget* widget) : QObject(widget), fWidget(widget) {}

	bool eventFilter(QObject*, QEvent* event) override
	{
		QWindow* window = fWidget->windowHandle();
		if (event->type() == QEvent::MouseButtonPress && window != nullptr &&
		    QGuiApplication::focusWindow() != window)
			window->requestActivate();
		return false;
	}

private:
	QWidget* fWidget;
};

} // namespace

PluginEditor::PluginEditor(int socket, unsigned long parent)
    : BApplication(kPresetAppSignature), fSocket(socket), fParent(parent),
      fWidget(std::make_unique<QPointer<QWidget>>())
{
	fNotifier = std::make_unique<QSocketNotifier>(fSocket, QSocketNotifier::Read);
	QObject::connect(fNotifier.get(), &QSocketNotifier::activated, [this] { Read(); });
	fRepeat = std::make_unique<QTimer>();
	fRepeat->setTimerType(Qt::PreciseTimer);
	QObject::connect(fRepeat.get(), &QTimer::timeout, [this] { Beat(); });
}

PluginEditor::~PluginEditor()
{
	fRepeat.reset();
	fNotifier.reset();
	close(fSocket);
}

void PluginEditor::MessageReceived(BMessage* message)
{
	if (message->what == kMsgNewWindow || message->what == kMsgNewKit)
		return;
	BApplication::MessageReceived(message);
}

void PluginEditor::Read()
{
	char bytes[4096];
	for (;;) {
		const ssize_t count = recv(fSocket, bytes, sizeof bytes, MSG_DONTWAIT);
		if (count > 0) {
			fIn.Append(bytes, size_t(count));
			continue;
		}
		if (count < 0 && errno == EINTR)
			continue;
		if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
			// The UI is gone (hidden, cleaned up, or its host ended).
			End();
			return;
		}
		break;
	}
	// Everything that arrived together is one change of the host's: a preset is one step.
	tunk::SoundParams values = fPlugin;
	bool changed = false;
	while (std::optional<std::string> line = fIn.Next()) {
		std::optional<Message> message = tunk::editor_link::ReadLine(*line);
		if (!message)
			continue;
		if (message->kind == Message::kOpen) {
			fPlugin = values;
			changed = false;
			Open(message->name);
			continue;
		}
		if (message->kind != Message::kSet)
			continue;
		if (std::optional<tunk::Param> param = tunk::FindParam(message->name)) {
			values.values[size_t(*param)] = message->value;
			changed = true;
		}
	}
	if (!changed)
		return;
	fPlugin = values;
	if (fWindow != nullptr && !fWidget->isNull())
		fWindow->TakeOwnerValues(values);
}

void PluginEditor::Open(const std::string& name)
{
	if (fWindow != nullptr)
		return;
	fWindow = new TunkWindow(kEmptyWindowFrame, new SpaceBarFilter);
	*fWidget = fWindow->Widget();
	fWindow->EditSoundOf(fPlugin, PresetExtras{}, name,
	    [this](const tunk::SoundParams& values, const PresetExtras&) { Changed(values); });
	fWindow->SetSoundOutput([this](float gain) { Play(gain); }, [this] { Stop(); });
	QWidget* widget = fWindow->Widget();
	if (fParent != 0) {
		// Inside the UI's window: a native child of a window of another process.
		widget->winId();
		widget->windowHandle()->setParent(QWindow::fromWinId(WId(fParent)));
		widget->move(0, 0);
		qApp->installEventFilter(new FocusOnClick(widget));
	}
	fWindow->Show();
	Send(tunk::editor_link::SizeLine(widget->width(), widget->height()));
}

void PluginEditor::Play(float gain)
{
	fVelocity = std::clamp(int(std::lround(gain * 127.0f)), 1, 127);
	Send(tunk::editor_link::PlayLine(fVelocity));
	fRepeat->stop();
	if (const int beat = BeatMilliseconds(); beat > 0)
		fRepeat->start(beat);
}

void PluginEditor::Stop()
{
	fRepeat->stop();
	Send(tunk::editor_link::StopLine());
}

void PluginEditor::Beat()
{
	// The tempo may have changed since the last beat, or Repeat gone off.
	const int beat = BeatMilliseconds();
	if (beat == 0) {
		fRepeat->stop();
		return;
	}
	fRepeat->setInterval(beat);
	Send(tunk::editor_link::PlayLine(fVelocity));
}

int PluginEditor::BeatMilliseconds() const
{
	if (fWindow == nullptr || fWidget->isNull() || !fWindow->IsRepeatOn())
		return 0;
	const uint32 beat = fWindow->Sound()->GetBeatLength();
	if (beat == 0)
		return 0;
	return std::max(1, int(std::lround(double(beat) * 1000.0 / tunk::kSampleRate)));
}

void PluginEditor::Changed(const tunk::SoundParams& values)
{
	std::string lines;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		const float value = values[info.id];
		if (std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(fPlugin[info.id]))
			continue;
		fPlugin.values[size_t(info.id)] = value;
		lines += tunk::editor_link::SetLine(info.symbol, value);
	}
	if (!lines.empty())
		Send(lines);
}

void PluginEditor::Send(const std::string& line)
{
	size_t done = 0;
	while (done < line.size()) {
		const ssize_t written = send(fSocket, line.data() + done, line.size() - done, MSG_NOSIGNAL);
		if (written < 0 && errno == EINTR)
			continue;
		if (written <= 0) {
			End();
			return;
		}
		done += size_t(written);
	}
}

void PluginEditor::End()
{
	fNotifier->setEnabled(false);
	Quit();
}

int PluginEditor::Run(const std::string& kind, unsigned long parent)
{
	// The host's end ends the editor, even one that has not read its end of file yet.
	prctl(PR_SET_PDEATHSIG, SIGTERM);
	if (getppid() == 1)
		return 1;
	struct stat socketStat;
	if (kind != "tunk" || fstat(tunk::editor_link::kEditorSocketFd, &socketStat) != 0 ||
	    !S_ISSOCK(socketStat.st_mode)) {
		std::fprintf(stderr, "tunk: the plugin editor runs only when a plugin's UI starts it\n");
		return 2;
	}
	// The host's window belongs to another process: only X itself can place ours inside it.
	if (parent != 0)
		setenv("QT_QPA_PLATFORM", "xcb", 1);
	auto* editor = new PluginEditor(tunk::editor_link::kEditorSocketFd, parent);
	editor->BApplication::Run();
	delete editor;
	return 0;
}
