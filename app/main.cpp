#include "app/TunkApp.h"

int main(int argc, char** argv)
{
	// Files named on the command line arrive as the launch's refs, as from the desktop.
	BApplication::SetArgs(argc, argv);
	TunkApp* app = new TunkApp();
	app->Run();
	delete app;
	return 0;
}
