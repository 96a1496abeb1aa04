// Writes a PNG of each display view, and of the views side by side on the window's background,
// for the default sound with every section switched on, so that people can look at them.
#include <QDir>
#include <QPainter>
#include <QString>
#include <QWidget>

#include "engine/ApplyPreset.h"
#include "engine/TunkSound.h"
#include "kits/interface/Bitmap.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/SoundView.h"
#include "views/TunkView.h"
#include "views/ViewTestSupport.h"

using namespace view_test;

namespace {

int CountDifferent(const QImage& image, rgb_color from)
{
	int count = 0;
	for (int y = 1; y < image.height() - 1; y++)
		for (int x = 1; x < image.width() - 1; x++)
			if (!(PixelAt(image, x, y) == from))
				count++;
	return count;
}

void Save(const QImage& image, const char* name)
{
	QString path = QDir(QStringLiteral(TUNK_VIEW_PICTURES_DIR)).filePath(QString::fromUtf8(name));
	EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

TEST_F(WindowTest, WritesAPictureOfEachViewForTheDefaultSound)
{
	PresetParams params = DefaultPresetParams();
	params.ampEnvEnabled = 1;
	params.freqEnvEnabled = 1;
	params.distortionEnabled = 1;
	params.filterEnabled = 1;
	TunkSound engine;
	ApplyPresetToEngine(params, &engine);
	engine.GenerateSound();

	auto* background = Attach(new TunkView(window->Bounds(), "MainView"));
	auto* sound = new SoundView(BRect(10, 10, 390, 110), "SoundView");
	auto* amp = new EnvelopeView(BRect(10, 130, 120, 180), "AmpEnvView", kAmpCurveType);
	auto* freq = new EnvelopeView(BRect(140, 130, 250, 180), "FreqEnvView", kFreqCurveType);
	auto* distortion = new DistortionView(BRect(270, 130, 325, 185), "DistortionView");
	window->Lock();
	background->AddChild(sound);
	background->AddChild(amp);
	background->AddChild(freq);
	background->AddChild(distortion);
	window->Unlock();

	amp->SetEnabled(true);
	freq->SetEnabled(true);
	distortion->SetEnabled(true);
	engine.DrawSoundToView(sound);
	engine.DrawAmpEnvToView(amp);
	engine.DrawFreqEnvToView(freq);
	engine.DrawDistortedWaveToView(distortion);

	// Each picture shows more than its empty panel.
	EXPECT_GT(CountDifferent(sound->Bitmap()->Image(), kPanel), 377);
	EXPECT_GT(CountDifferent(amp->Image(), kPanel), 107);
	EXPECT_GT(CountDifferent(freq->Image(), kPanel), 107);
	EXPECT_GT(CountDifferent(distortion->Image(), kPanel), 53);

	Save(sound->Image(), "sound-view.png");
	Save(amp->Image(), "amp-envelope-view.png");
	Save(freq->Image(), "freq-envelope-view.png");
	Save(distortion->Image(), "distortion-view.png");

	window->Show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
	ProcessEvents();
	QImage whole = window->Widget()->grab().toImage();
	EXPECT_EQ(PixelAt(whole, 450, 400), (rgb_color{216, 216, 216, 255}));
	Save(whole, "views-on-background.png");
}

} // namespace
