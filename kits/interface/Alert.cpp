#include "kits/interface/Alert.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <vector>
#include <QVBoxLayout>

#include "kits/interface/InterfaceDefs.h"

namespace {

BAlert::AnswerHook& Hook()
{
	static BAlert::AnswerHook hook;
	return hook;
}

// Pressing a shortcut key presses its button; Escape without a shortcut closes the dialog.
class AlertDialog : public QDialog {
public:
	std::map<int32, char> shortcuts;
	std::vector<QPushButton*> buttons;

protected:
	void keyPressEvent(QKeyEvent* event) override
	{
		QByteArray text = event->text().toUtf8();
		char key = event->key() == Qt::Key_Escape ? char(B_ESCAPE)
		           : text.isEmpty()               ? 0
		                                          : text.at(0);
		for (const auto& [index, shortcut] : shortcuts) {
			if (key != 0 && shortcut == key && size_t(index) < buttons.size()) {
				buttons[size_t(index)]->click();
				return;
			}
		}
		QDialog::keyPressEvent(event);
	}
};

// The text as it fits `width` pixels: a word that would not fit on a line of its own (a long
// file name has no place to break) loses its middle to an ellipsis; everything else wraps.
QString FittedText(const QString& text, const QFontMetrics& metrics, int width)
{
	QString fitted;
	static const QRegularExpression kBreaks(QStringLiteral("(\\s+)"));
	qsizetype from = 0;
	for (QRegularExpressionMatchIterator it = kBreaks.globalMatch(text);; ) {
		const bool more = it.hasNext();
		const QRegularExpressionMatch gap = more ? it.next() : QRegularExpressionMatch();
		const qsizetype end = more ? gap.capturedStart() : text.size();
		const QString word = text.mid(from, end - from);
		fitted += metrics.horizontalAdvance(word) > width
		              ? metrics.elidedText(word, Qt::ElideMiddle, width)
		              : word;
		if (!more)
			break;
		fitted += gap.captured();
		from = gap.capturedEnd();
	}
	return fitted;
}

// The text cut into runs of lines: those with a tab (a table) and those without (paragraphs).
// A blank line between two tables is a paragraph of its own.
struct TextBlock {
	QString text;
	bool tabbed;
};
std::vector<TextBlock> TextBlocks(const QString& text)
{
	std::vector<TextBlock> blocks;
	for (const QString& line : text.split(QLatin1Char('\n'))) {
		const bool tabbed = line.contains(QLatin1Char('\t'));
		if (!blocks.empty() && blocks.back().tabbed == tabbed)
			blocks.back().text += QLatin1Char('\n') + line;
		else
			blocks.push_back({line, tabbed});
	}
	return blocks;
}

} // namespace

BAlert::BAlert(const char* title, const char* text, const char* button0, const char* button1,
    const char* button2, button_width width, alert_type type)
{
	Init(title, text, button0, button1, button2, width, B_EVEN_SPACING, type);
}

BAlert::BAlert(const char* title, const char* text, const char* button0, const char* button1,
    const char* button2, button_width width, button_spacing spacing, alert_type type)
{
	Init(title, text, button0, button1, button2, width, spacing, type);
}

BAlert::~BAlert() = default;

void BAlert::Init(const char* title, const char* text, const char* b0, const char* b1,
    const char* b2, button_width width, button_spacing spacing, alert_type type)
{
	fTitle = title != nullptr ? title : "";
	fText = text != nullptr ? text : "";
	for (const char* label : {b0, b1, b2}) {
		if (label == nullptr)
			break;
		fButtons.emplace_back(label);
	}
	fWidth = width;
	fSpacing = spacing;
	fType = type;
}

void BAlert::SetShortcut(int32 index, char key)
{
	if (index >= 0 && index < CountButtons())
		fShortcuts[index] = key;
}

char BAlert::Shortcut(int32 index) const
{
	auto it = fShortcuts.find(index);
	return it != fShortcuts.end() ? it->second : 0;
}

const char* BAlert::ButtonLabel(int32 index) const
{
	if (index < 0 || index >= CountButtons())
		return nullptr;
	return fButtons[size_t(index)].c_str();
}

QPushButton* BAlert::ButtonAt(int32 index) const
{
	if (index < 0 || size_t(index) >= fButtonWidgets.size())
		return nullptr;
	return fButtonWidgets[size_t(index)];
}

int32 BAlert::EscapeIndex() const
{
	for (const auto& [index, key] : fShortcuts) {
		if (key == char(B_ESCAPE))
			return index;
	}
	return -1;
}

void BAlert::SetAnswerHook(AnswerHook hook)
{
	Hook() = std::move(hook);
}

int32 BAlert::Go()
{
	AlertDialog dialog;
	dialog.setWindowTitle(QString::fromUtf8(fTitle.c_str()));
	dialog.setModal(true);
	auto* layout = new QVBoxLayout(&dialog);
	auto* body = new QHBoxLayout;
	QStyle::StandardPixmap icon = QStyle::SP_MessageBoxInformation;
	if (fType == B_WARNING_ALERT)
		icon = QStyle::SP_MessageBoxWarning;
	else if (fType == B_STOP_ALERT)
		icon = QStyle::SP_MessageBoxCritical;
	else if (fType == B_IDEA_ALERT)
		icon = QStyle::SP_MessageBoxQuestion;
	if (fType != B_EMPTY_ALERT) {
		auto* iconLabel = new QLabel;
		iconLabel->setPixmap(dialog.style()->standardIcon(icon).pixmap(32, 32));
		iconLabel->setAlignment(Qt::AlignTop);
		body->addWidget(iconLabel);
	}
	// The alert stays within the screen, whatever its text: at most about half the screen's width.
	QScreen* screen = QGuiApplication::primaryScreen();
	const int screenWidth = screen != nullptr ? screen->availableGeometry().width() : 800;
	const int textWidth = std::max(200, screenWidth / 2 - 80);
	const QString fullText = QString::fromUtf8(fText.c_str());
	auto* column = new QVBoxLayout;
	for (const TextBlock& block : TextBlocks(fullText)) {
		if (!block.tabbed) {
			auto* label = new QLabel(FittedText(block.text, dialog.fontMetrics(), textWidth));
			label->setWordWrap(true);
			label->setMaximumWidth(textWidth);
			if (label->text() != block.text)
				label->setToolTip(block.text);
			column->addWidget(label);
			continue;
		}
		// Lines with tabs are rows of a table: each tab starts the next column, aligned.
		auto* grid = new QGridLayout;
		grid->setHorizontalSpacing(dialog.fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
		const QStringList lines = block.text.split(QLatin1Char('\n'));
		for (int row = 0; row < lines.size(); row++) {
			const QStringList cells = lines[row].split(QLatin1Char('\t'));
			for (int cell = 0; cell < cells.size(); cell++)
				grid->addWidget(new QLabel(cells[cell]), row, cell, Qt::AlignLeft);
		}
		grid->setColumnStretch(grid->columnCount() - 1, 1);
		column->addLayout(grid);
	}
	body->addLayout(column, 1);
	layout->addLayout(body);

	// The last button is the default; with offset spacing the first stands apart at the left.
	auto* row = new QHBoxLayout;
	if (fSpacing != B_OFFSET_SPACING)
		row->addStretch(1);
	int32 chosen = -1;
	bool pressed = false;
	int widest = 0;
	for (size_t i = 0; i < fButtons.size(); i++) {
		auto* button = new QPushButton(QString::fromUtf8(fButtons[i].c_str()));
		button->setAutoDefault(false);
		button->setDefault(i + 1 == fButtons.size());
		QObject::connect(button, &QPushButton::clicked, &dialog, [&, i] {
			chosen = int32(i);
			pressed = true;
			dialog.accept();
		});
		row->addWidget(button);
		if (i == 0 && fSpacing == B_OFFSET_SPACING)
			row->addStretch(1);
		widest = std::max(widest, button->sizeHint().width());
		fButtonWidgets.push_back(button);
	}
	if (fWidth == B_WIDTH_FROM_WIDEST) {
		for (QPushButton* button : fButtonWidgets)
			button->setMinimumWidth(widest);
	}
	layout->addLayout(row);
	dialog.shortcuts = fShortcuts;
	dialog.buttons = fButtonWidgets;
	fDialog = &dialog;

	// An installed hook answers from inside the modal loop, as a person would.
	if (AnswerHook hook = Hook()) {
		QTimer::singleShot(0, &dialog, [this, hook, &dialog] {
			int32 answer = hook(*this);
			if (answer >= 0 && answer < CountButtons())
				fButtonWidgets[size_t(answer)]->click();
			else
				dialog.reject();
		});
	}
	dialog.exec();
	fDialog = nullptr;
	fButtonWidgets.clear();
	if (!pressed)
		chosen = EscapeIndex();
	delete this;
	return chosen;
}
