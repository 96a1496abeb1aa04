#include "kits/app/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <filesystem>

#include "kits/app/AppDefs.h"
#include "kits/app/AppPrivate.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/support/AlertHook.h"

BApplication* be_app = nullptr;

namespace {

std::vector<std::string>& Args()
{
	static std::vector<std::string> args;
	return args;
}

// Errors from code without a window toolkit show as an alert with a single "OK"; the alert must
// run on the GUI thread, which waits for nothing else meanwhile.
void ShowErrorAlert(const char* title, const char* text)
{
	auto run = [title, text] {
		(new BAlert(title, text, "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_INFO_ALERT))->Go();
	};
	QCoreApplication* app = QCoreApplication::instance();
	if (app == nullptr || QThread::currentThread() == app->thread())
		run();
	else
		QMetaObject::invokeMethod(app, run, Qt::BlockingQueuedConnection);
}

// A command-line argument as the desktop hands a file: its absolute directory and its leaf.
entry_ref RefForArgument(const std::string& argument)
{
	std::error_code error;
	std::filesystem::path path = std::filesystem::absolute(argument, error).lexically_normal();
	if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
		path = path.parent_path();
	return entry_ref(path.parent_path().c_str(), path.filename().c_str());
}

} // namespace

std::vector<BWindow*>& tunk_internal::WindowList()
{
	static std::vector<BWindow*> windows;
	return windows;
}

void BApplication::SetArgs(int argc, const char* const* argv)
{
	Args().clear();
	for (int i = 1; i < argc; i++) {
		if (argv[i] != nullptr)
			Args().emplace_back(argv[i]);
	}
}

BApplication::BApplication(const char* signature)
    : BLooper(signature), fSignature(signature != nullptr ? signature : "")
{
	if (QApplication::instance() == nullptr) {
		static int argc = 1;
		static char name[] = "tunk";
		static char* argv[] = {name, nullptr};
		new QApplication(argc, argv);
		fOwnsQApplication = true;
	}
	// The program decides when to end, not Qt.
	QApplication::setQuitOnLastWindowClosed(false);
	be_app = this;
	be_app_messenger = BMessenger(nullptr, this);
	set_alert_hook(&ShowErrorAlert);
}

BApplication::~BApplication()
{
	alert_hook previous = set_alert_hook(nullptr);
	if (previous != &ShowErrorAlert)
		set_alert_hook(previous);
	if (be_app == this) {
		be_app = nullptr;
		be_app_messenger = BMessenger();
	}
	if (fOwnsQApplication)
		delete QCoreApplication::instance();
}

int32 BApplication::Run()
{
	if (fQuitting) {
		fQuitting = false;
		return B_OK;
	}
	if (!fReadyToRunCalled) {
		if (!Args().empty()) {
			BMessage refs(B_REFS_RECEIVED);
			for (const std::string& argument : Args()) {
				entry_ref ref = RefForArgument(argument);
				refs.AddRef("refs", &ref);
			}
			PostMessage(&refs);
		}
		PostMessage(B_READY_TO_RUN);
	}
	QEventLoop loop;
	fRunLoop = &loop;
	loop.exec();
	fRunLoop = nullptr;
	fQuitting = false;
	return B_OK;
}

void BApplication::Quit()
{
	fQuitting = true;
	if (fRunLoop != nullptr)
		fRunLoop->exit(0);
}

bool BApplication::QuitRequested()
{
	return true;
}

void BApplication::ReadyToRun() {}

void BApplication::RefsReceived(BMessage*) {}

void BApplication::DispatchMessage(BMessage* message, BHandler* handler)
{
	if (handler != this) {
		BLooper::DispatchMessage(message, handler);
		return;
	}
	switch (message->what) {
		case B_READY_TO_RUN:
			if (!fReadyToRunCalled) {
				ReadyToRun();
				fReadyToRunCalled = true;
				fLaunching = false;
			}
			break;
		case B_REFS_RECEIVED: RefsReceived(message); break;
		case B_QUIT_REQUESTED:
			if (QuitRequested())
				Quit();
			break;
		default: MessageReceived(message); break;
	}
}

void BApplication::MessageReceived(BMessage* message)
{
	BLooper::MessageReceived(message);
}

int32 BApplication::CountWindows() const
{
	return int32(tunk_internal::WindowList().size());
}

BWindow* BApplication::WindowAt(int32 index) const
{
	auto& windows = tunk_internal::WindowList();
	if (index < 0 || size_t(index) >= windows.size())
		return nullptr;
	return windows[size_t(index)];
}

// The application object is deleted by its owner (main), never by quitting.
void BApplication::DeleteSelf() {}
