// The window's flow from a person's side: Open finds the cards at once, a refused file leaves no
// trace of the picture before it, the text line and the marks follow the chosen card, and Save deck
// never leaves a card out unasked. Offscreen, through menus, shortcuts and the mouse.
#include "CardRow.h"
#include "CardView.h"
#include "PairView.h"
#include "ResultsPanel.h"
#include "TForm1.h"
#include "TestSupport.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>

using namespace Unit1;

namespace {

class FlowTest : public WindowFixture
{
protected:
    FlowTest() { size = QSize(1000, 700); }

    // korvane-cli punch with these arguments, in the scratch folder, with the repository's table.
    static void Punch(const std::string& arguments)
    {
        if (!std::filesystem::exists("ibmkaart.txt"))
            std::filesystem::copy_file(TestSupport::SourcePath("ibmkaart.txt"), "ibmkaart.txt");
        ASSERT_EQ(std::system((std::string(KORVANE_CLI) + " punch " + arguments + " >/dev/null").c_str()), 0);
    }

    QString Status() const { return form->statusBar()->currentMessage(); }
    QColor EditColour() const { return form->Edit1()->palette().color(QPalette::Text); }
};

} // namespace

// Open processes at once; a file refused after it clears the picture, its rows and its title,
// says why in the decoder's words, and leaves only what can still be done enabled.
TEST_F(FlowTest, OpenProcessesAndARefusedFileClearsTheWindow)
{
    Punch("-o cards.png --format png --dpi 100 'ONE' 'TWO'");
    answer = "cards.png";
    form->Open1()->trigger();
    ASSERT_TRUE(form->ReadAll()->isEnabled()) << "found the cards without Edit > Process";
    EXPECT_FALSE(form->Process1()->isEnabled());
    EXPECT_EQ(Status(), "2 cards: Edit > Read all, or Edit > Select and click a card");
    form->ReadAll()->trigger();
    ASSERT_EQ(form->Results()->Rows().size(), 2u);

    const std::string bytes = TestSupport::ReadFileText("cards.png");
    TestSupport::WriteFileText("broken.png", bytes.substr(0, bytes.size() / 2));
    answer = "broken.png";
    form->Open1()->trigger();
    EXPECT_EQ(form->Edit1()->text(), "broken.png : Not a proper B/W picture !!");
    EXPECT_EQ(EditColour(), QColor(255, 0, 0));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("the PNG file is truncated"), std::string::npos) << messages[0];
    EXPECT_EQ(form->windowTitle(), "Korvane");
    EXPECT_TRUE(form->Image1()->Picture().isNull());
    EXPECT_TRUE(form->Results()->Rows().empty());
    EXPECT_EQ(form->Results()->Table()->rowCount(), 0);
    for (QAction* off : {form->Process1(), form->Select1(), form->ReadAll(), form->SaveDeckAction(),
                         form->QuickSaveDeck(), form->SaveOverlayAction()})
        EXPECT_FALSE(off->isEnabled()) << off->text().toStdString();
    EXPECT_TRUE(form->File1()->isEnabled());
    EXPECT_TRUE(form->Open1()->isEnabled());

    // A missing file says so in the box too; the window opens the next good file as before.
    answer = "nothing-here.png";
    form->Open1()->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("nothing-here.png"), std::string::npos) << messages[1];
    answer = "cards.png";
    form->Open1()->trigger();
    EXPECT_TRUE(form->ReadAll()->isEnabled());
    EXPECT_EQ(form->windowTitle(), "cards.png - Korvane");
}

// Every Save deck counts the picture's cards: a face-up card makes it ask, and each answer gives
// the deck it names; nothing is written when the question is cancelled or closed.
TEST_F(FlowTest, SaveDeckAsksBeforeACardGoesMissing)
{
    Punch("-o three.bmp --dpi 100 --face-up=2 'FIRST' 'SECOND' 'THIRD'");
    answer = "three.bmp";
    form->Open1()->trigger();
    ASSERT_TRUE(form->QuickSaveDeck()->isEnabled());
    EXPECT_EQ(form->QuickSaveDeck()->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(form->DeckNameForPicture(), "three.deck.txt");

    struct Case
    {
        std::optional<int> answer;
        std::vector<std::string> deck; // lines of three.deck.txt; none: no file
        const char* status;
    };
    const std::string blank(80, ' ');
    const std::vector<Case> cases{
        {std::nullopt, {}, nullptr},
        {2, {}, nullptr},
        {1, {"FIRST", "THIRD"}, "Deck saved: 2 of 3 cards in three.deck.txt"},
        {0,
         {"FIRST", "", "THIRD"},
         "Deck saved: 2 of 3 cards, 1 blank in place of the cards not read in three.deck.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer ? std::to_string(*c.answer) : "closed");
        std::filesystem::remove("three.deck.txt");
        std::vector<std::string> asked;
        form->askChoice = [&](const std::string& text, const std::vector<std::string>& answers) {
            asked.push_back(text);
            EXPECT_EQ(answers.size(), 3u);
            return c.answer;
        };
        form->QuickSaveDeck()->trigger();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_NE(asked[0].find("1 of 3 cards have no punches"), std::string::npos) << asked[0];
        EXPECT_NE(asked[0].find("card 2: This card should be scanned again"), std::string::npos) << asked[0];
        EXPECT_EQ(form->Results()->Rows().size(), 3u) << "Save deck read every card";
        if (c.deck.empty()) {
            EXPECT_FALSE(std::filesystem::exists("three.deck.txt"));
            continue;
        }
        const std::vector<std::string> lines = TestSupport::ReadFileLines("three.deck.txt");
        ASSERT_EQ(lines.size(), c.deck.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].substr(0, c.deck[i].size()), c.deck[i]);
        EXPECT_EQ(Status().toStdString(), c.status);
    }

    // An existing deck is replaced only when the person says so.
    std::vector<std::string> asked;
    form->askChoice = [&](const std::string& text, const std::vector<std::string>&) {
        asked.push_back(text);
        return std::optional<int>(1);
    };
    form->QuickSaveDeck()->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "three.deck.txt exists. Replace it?");
    EXPECT_EQ(TestSupport::ReadFileLines("three.deck.txt").size(), 3u) << "left as it was";
}

// Choosing a row puts its card in the text line in the colour a pick gives it, and marks the card's
// columns in doubt on the picture; a card not read shows its reason in red.
TEST_F(FlowTest, TheTextLineAndTheMarksFollowTheChosenCard)
{
    Punch("-o three.bmp --dpi 100 --face-up=2 'FIRST' 'SECOND' 'THIRD'");
    answer = "three.bmp";
    form->Open1()->trigger();
    form->ReadAll()->trigger();
    ASSERT_EQ(form->Results()->Rows().size(), 3u);
    struct Expect
    {
        int row;
        std::string text;
        QColor colour;
    };
    for (const Expect& e : {Expect{0, "FIRST", QColor(0, 0, 0)},
                            Expect{1, "This card should be scanned again", QColor(255, 0, 0)},
                            Expect{2, "THIRD", QColor(0, 0, 0)}}) {
        form->Results()->Table()->selectRow(e.row);
        EXPECT_EQ(form->Edit1()->text().toStdString().substr(0, e.text.size()), e.text);
        EXPECT_EQ(EditColour(), e.colour);
    }

    // A row whose columns are in doubt: one strip per column, on the card's grid.
    CardRow row = form->Results()->Rows()[0];
    row.unknownColumns = {3};
    row.doubtfulColumns = {1, 80};
    const std::vector<ColumnStrip> strips = StripsInDoubt(row);
    ASSERT_EQ(strips.size(), 3u);
    EXPECT_TRUE(strips[0].unknown);
    EXPECT_EQ(strips[1].column, 1);
    const auto inside = [&](const ColumnStrip& strip, int column, int gridRow) {
        const Algemeen::RealPoint p = Ogenblik::GridPosition(row.grid, 80 - column, gridRow);
        return QPolygonF({QPointF(strip.corners[0].X, strip.corners[0].Y),
                          QPointF(strip.corners[1].X, strip.corners[1].Y),
                          QPointF(strip.corners[2].X, strip.corners[2].Y),
                          QPointF(strip.corners[3].X, strip.corners[3].Y)})
            .containsPoint(QPointF(p.X, p.Y), Qt::OddEvenFill);
    };
    for (const ColumnStrip& strip : strips)
        for (int gridRow : {0, 11}) {
            EXPECT_TRUE(inside(strip, strip.column, gridRow)) << strip.column;
            EXPECT_FALSE(inside(strip, strip.column == 1 ? 2 : strip.column - 1, gridRow)) << strip.column;
        }
}

// A card lying face up offers to be read from its front, by the text line and in the Edit menu;
// taken, the picture is read again with the side left to the reader, and every card reads.
TEST_F(FlowTest, AFaceUpCardIsReadAsFrontWhenAsked)
{
    Punch("-o page.bmp --dpi 100 --per-page 3 --face-up=2 'FIRST' 'TURNED OVER' 'THIRD'");
    answer = "page-0001.bmp";
    form->Open1()->trigger();
    form->ReadAll()->trigger();
    const auto& rows = form->Results()->Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].message, korvane::kFaceUp);
    form->Results()->Table()->selectRow(1);
    EXPECT_EQ(form->Edit1()->text().toStdString(), korvane::kFaceUp);
    EXPECT_FALSE(form->ReadAsFrontButton()->isHidden());

    form->ReadAsFrontButton()->click();
    EXPECT_TRUE(form->SideAction(Imaging::Side::Auto)->isChecked());
    // The card is read at once, and both of its readings are told.
    EXPECT_EQ(Status(), "Card 2 read both ways: as its back, refused (it lies face up); as its front, "
                        "TURNED OVER");
    EXPECT_EQ(form->Edit1()->text().toStdString().substr(0, 11), "TURNED OVER");
    form->ReadAll()->trigger();
    ASSERT_EQ(form->Results()->Rows().size(), 3u);
    const std::string texts[] = {"FIRST", "TURNED OVER", "THIRD"};
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(form->Results()->Rows()[k].text.substr(0, texts[k].size()), texts[k]) << k;
    form->Results()->Table()->selectRow(1);
    EXPECT_EQ(form->Edit1()->text().toStdString().substr(0, 11), "TURNED OVER");
    EXPECT_TRUE(form->ReadAsFrontButton()->isHidden());

    // Back to the back: the face-up card is refused again.
    form->SideAction(Imaging::Side::Back)->trigger();
    form->ReadAll()->trigger();
    ASSERT_EQ(form->Results()->Rows().size(), 3u);
    EXPECT_EQ(form->Results()->Rows()[1].message, korvane::kFaceUp);
}

// View > Picture options reads the picture shown again with what the form says: light holes find
// no card on a light card, either polarity finds it again; the side chosen there is View > Side's.
TEST_F(FlowTest, PictureOptionsReadThePictureAgain)
{
    Punch("-o card.png --format png --dpi 100 'OPTIONS'");
    answer = "card.png";
    form->Open1()->trigger();
    ASSERT_TRUE(form->ReadAll()->isEnabled());
    // Fills in the modal form when it shows, then presses OK.
    const auto choose = [this](int side, int polarity) {
        QTimer::singleShot(0, [side, polarity] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QComboBox*>("Side")->setCurrentIndex(side);
            dialog->findChild<QComboBox*>("Polarity")->setCurrentIndex(polarity);
            static_cast<QDialog*>(dialog)->accept();
        });
        form->PictureOptionsAction()->trigger();
    };
    choose(0, 1);
    EXPECT_EQ(form->CurrentRun().PictureOptions.Decoding.Holes, Imaging::Polarity::LightHoles);
    EXPECT_FALSE(form->ReadAll()->isEnabled()) << "a light card read for light holes shows no card";
    choose(2, 2);
    EXPECT_TRUE(form->CurrentRun().PictureOptions.AutoPolarity);
    EXPECT_TRUE(form->SideAction(Imaging::Side::Auto)->isChecked());
    ASSERT_TRUE(form->ReadAll()->isEnabled());
    form->ReadAll()->trigger();
    ASSERT_EQ(form->Results()->Rows().size(), 1u);
    EXPECT_EQ(form->Results()->Rows()[0].text.substr(0, 7), "OPTIONS");
}

// File > Open pair and two pictures dropped read a front and a back together: a punched pair with
// its front damaged reads as its text, the damaged column marked as disagreeing on both pictures
// and named in the results panel; the real grey pair reads exact with the sides agreeing; a front
// that cannot be read leaves the card to the back, shown as one-sided. Save deck writes the fused
// card.
TEST_F(FlowTest, APairIsReadTogetherAndItsDisagreementsMarked)
{
    Punch("-o p.png --format png --dpi 150 --duplex --damage-front 1 --seed 3 'SIDES OF A PAIR 42' "
          "2>damage.txt");
    // "damage: card 1 front column C row R covered|speck"
    std::istringstream damage(TestSupport::ReadFileText("damage.txt"));
    std::string word;
    int damaged = 0;
    while (damage >> word)
        if (word == "column")
            damage >> damaged;
    ASSERT_GT(damaged, 0) << TestSupport::ReadFileText("damage.txt");
    struct Case
    {
        std::string first, second; // as chosen: the names say which is the front
        bool drop;
        std::string text, sides;
        std::vector<int> disagree;
    };
    std::vector<Case> cases{
        {"p-0001-b-back.png", "p-0001-a-front.png", false, "SIDES OF A PAIR 42", "both", {damaged}},
        {"p-0001-b-back.png", "no-such-front.png", false, "SIDES OF A PAIR 42", "back", {}},
    };
    // The six real pairs (the grey one dropped on the window), exact and agreeing.
    const std::string real = TestSupport::SourcePath("tests/data/real-scans/");
    std::map<std::string, std::string> texts;
    for (const std::string& line : TestSupport::ReadFileLines(real + "sides.tsv"))
        texts[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
    cases.push_back({real + "florida-example_02-back.png",
                     real + "florida-example_02-front.png",
                     true,
                     texts["florida-example_02-back.png"],
                     "both",
                     {}});
    for (int k = 0; k < 10; k += 2) {
        const std::string back = "nara-C04D01L-" + std::to_string(k) + "-back.png";
        cases.push_back({real + back,
                         real + "nara-C04D01L-" + std::to_string(k + 1) + "-front.png",
                         false,
                         texts[back],
                         "both",
                         {}});
    }
    std::vector<std::string> questions;
    form->askChoice = [&](const std::string& text, const std::vector<std::string>&) {
        questions.push_back(text);
        return std::optional<int>(0);
    };
    for (const Case& c : cases) {
        QElapsedTimer opening; // from the menu or the drop until the pair view is shown
        opening.start();
        if (c.drop) {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(c.first)),
                          QUrl::fromLocalFile(QString::fromStdString(c.second))});
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &enter);
            EXPECT_TRUE(enter.isAccepted());
            QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &drop);
        } else {
            form->choosePair = [&c] { return std::vector<std::string>{c.first, c.second}; };
            form->OpenPairAction()->trigger();
            EXPECT_EQ(questions.back(), "Front: " + c.second + "\nBack: " + c.first);
        }
        const QList<PairView*> views = form->findChildren<PairView*>();
        ASSERT_EQ(views.size(), 1) << c.first << (messages.empty() ? "" : messages.back());
        std::unique_ptr<PairView> view(views.front());
        const qint64 opened = opening.elapsed();
        ASSERT_EQ(view->Results()->Rows().size(), 1u) << c.first;
        const CardRow& row = view->Results()->Rows().front();
        std::string expected = c.text;
        expected.resize(80, ' ');
        // For bench/pair.sh: how long the window took to read the pair.
        std::cout << "pair: " << std::filesystem::path(c.second).filename().string() << " + "
                  << std::filesystem::path(c.first).filename().string() << ": opened in " << opened
                  << " ms (both sides read in " << view->MillisecondsToRead() << " ms), "
                  << (row.text == expected ? "exact" : "NOT exact") << ", "
                  << (row.disagreeColumns.empty() ? "sides agree" : "sides disagree") << "\n";
        EXPECT_EQ(row.text, expected) << c.first;
        EXPECT_EQ(row.sides, c.sides) << c.first;
        EXPECT_EQ(row.disagreeColumns, c.disagree) << c.first;
        EXPECT_EQ(row.complete, c.disagree.empty()) << c.first;
        const QString named = view->Results()->Table()->item(0, 2)->text();
        EXPECT_EQ(named.contains(QString("sides disagree %1").arg(damaged)), !c.disagree.empty())
            << named.toStdString();
        for (const CardView* side : {view->FrontView(), view->BackView()})
            for (const int column : c.disagree)
                EXPECT_NE(std::find(side->Content().doubtful.begin(), side->Content().doubtful.end(), column),
                          side->Content().doubtful.end());
        EXPECT_EQ(view->FrontView()->Content().scan.isNull(), c.sides == "back") << c.first;
        EXPECT_EQ(view->SaveDeck("pair.txt"), "") << c.first;
        EXPECT_EQ(TestSupport::ReadFileLines("pair.txt"), std::vector<std::string>{expected}) << c.first;
    }
}

// A card without a cut corner offers Turn half way (the button and Edit > Turn half way), which
// shows its two readings and takes the one chosen: the uncertain card gets the reading of its digits,
// the card the punches turned goes the other way and back, and the deck saved holds what the rows
// say. A card with its cut corner offers nothing; a cancelled question changes nothing.
TEST_F(FlowTest, ACardWithoutCutCornerIsTurnedHalfWayWhenAsked)
{
    Punch("-o page.bmp --dpi 100 --per-page 3 --no-cut=1,2 'NO CUT CARD' '1234' 'ORDINARY'");
    answer = "page-0001.bmp";
    form->Open1()->trigger();
    form->ReadAll()->trigger();
    const auto& rows = form->Results()->Rows();
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].verdict, "from-punches");
    ASSERT_EQ(rows[1].message, korvane::kUncertain);
    form->Results()->Table()->selectRow(2);
    EXPECT_TRUE(form->TurnHalfWayButton()->isHidden());
    EXPECT_FALSE(form->TurnHalfWayAction()->isEnabled());

    std::string question;
    std::optional<int> take;
    form->askChoice = [&](const std::string& text, const std::vector<std::string>&) {
        question = text;
        return take;
    };
    // Which reading of a card reads `text`: 0 as fitted, 1 turned half way.
    const auto readingOf = [&](std::size_t row, const std::string& text) {
        const auto both = form->CurrentRun().Reader->ReadBothWays(rows[row].card);
        EXPECT_TRUE(both.has_value());
        return both && both->HalfTurned.Text.substr(0, text.size()) == text ? 1 : 0;
    };
    const int digits = readingOf(1, "1234"), letters = readingOf(0, "NO CUT CARD");
    struct Step
    {
        std::size_t row;
        std::optional<int> take;
        bool viaMenu;
        std::string text;    // the row's text after the step, from column 1
        bool marked;         // a column is marked unknown on the picture
        const char* current; // the reading the question marks as taken now; none for the uncertain card
    };
    const Step steps[] = {
        {1, std::nullopt, false, "", false, nullptr},
        {1, digits, true, "1234", false, nullptr},
        {0, 1 - letters, false, "", true, letters == 0 ? "\u25B6 As fitted" : "\u25B6 Turned half way"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.row);
        form->Results()->Table()->selectRow(static_cast<int>(step.row));
        ASSERT_FALSE(form->TurnHalfWayButton()->isHidden());
        ASSERT_TRUE(form->TurnHalfWayAction()->isEnabled());
        take = step.take;
        if (step.viaMenu)
            form->TurnHalfWayAction()->trigger();
        else
            form->TurnHalfWayButton()->click();
        EXPECT_NE(question.find("As fitted: "), std::string::npos) << question;
        EXPECT_NE(question.find("Turned half way: "), std::string::npos) << question;
        if (step.current)
            EXPECT_NE(question.find(step.current), std::string::npos) << question;
        else
            EXPECT_EQ(question.find("\u25B6"), std::string::npos) << question;
        const CardRow& row = rows[step.row];
        if (!step.take) {
            EXPECT_FALSE(row.read);
            EXPECT_EQ(form->Edit1()->text().toStdString(), korvane::kUncertain);
            continue;
        }
        ASSERT_TRUE(row.read);
        EXPECT_EQ(row.verdict, "from-punches");
        if (!step.text.empty())
            EXPECT_EQ(row.text.substr(0, step.text.size()), step.text);
        else
            EXPECT_NE(row.text.substr(0, 11), "NO CUT CARD");
        EXPECT_EQ(form->Edit1()->text().toStdString(), row.text.substr(0, 72));
        EXPECT_EQ(EditColour(), QColor(255, 0, 0)) << "a reading nothing settles is never black";
        EXPECT_EQ(!form->Image1()->UnknownMarks().isEmpty(), step.marked);
        EXPECT_FALSE(form->TurnHalfWayButton()->isHidden());
    }

    // The deck saved holds each row's punches: the digits, the card turned against its punches.
    ASSERT_EQ(form->SaveDeck("deck.cbn"), "");
    const Deck::DeckRead deck = Deck::ReadCbnDeck(TestSupport::ReadFileText("deck.cbn"));
    ASSERT_TRUE(deck.ok) << deck.message;
    ASSERT_EQ(deck.cards.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(deck.cards[k], rows[k].punches) << k;
    EXPECT_EQ(rows[1].text.substr(0, 4), "1234");

    // And back the way its punches read it.
    form->Results()->Table()->selectRow(0);
    take = letters;
    form->TurnHalfWayButton()->click();
    EXPECT_EQ(rows[0].text.substr(0, 11), "NO CUT CARD");
    EXPECT_TRUE(form->Image1()->UnknownMarks().isEmpty());
    EXPECT_EQ(form->Edit1()->text().toStdString().substr(0, 11), "NO CUT CARD");
}
