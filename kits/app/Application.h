// BApplication: the application object, a looper that runs the Qt event loop.
#pragma once

#include <string>
#include <vector>

#include "kits/app/Looper.h"
#include "kits/app/Messenger.h"
#include "kits/support/SupportDefs.h"

class BWindow;
class QEventLoop;

class BApplication : public BLooper {
public:
	// Makes the QApplication unless one exists already, and installs the error-alert hook.
	explicit BApplication(const char* signature);
	~BApplication() override;

	// Hands the command line to the application: every argument after the program name is a
	// file to open, delivered during launch as one B_REFS_RECEIVED message. main calls it
	// before Run; without it the application was started without files.
	static void SetArgs(int argc, const char* const* argv);

	// Launches (refs from the command line, then ReadyToRun) and runs the event loop until a
	// quit request is granted.
	virtual int32 Run();
	// Leaves Run (at once when called outside it: Run then returns at its start).
	void Quit() override;
	bool QuitRequested() override;

	// Called once when launching is over, after the command line's refs.
	virtual void ReadyToRun();
	// A B_REFS_RECEIVED message with one or more entry_refs in "refs".
	virtual void RefsReceived(BMessage* message);

	void DispatchMessage(BMessage* message, BHandler* handler) override;
	void MessageReceived(BMessage* message) override;

	// True until ReadyToRun has been called (also while it runs).
	bool IsLaunching() const { return fLaunching; }
	const char* Signature() const { return fSignature.c_str(); }

	// Every BWindow that exists, file panels included (each owns one).
	int32 CountWindows() const;
	BWindow* WindowAt(int32 index) const;

protected:
	void DeleteSelf() override;

private:
	std::string fSignature;
	bool fLaunching = true;
	bool fReadyToRunCalled = false;
	bool fQuitting = false;
	bool fOwnsQApplication = false;
	QEventLoop* fRunLoop = nullptr;
};

extern BApplication* be_app;
