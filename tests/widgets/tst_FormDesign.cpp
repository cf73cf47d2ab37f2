// Window designs: parsing with line-numbered errors, building controls in place, and saving
// back exactly what was loaded.
#include <QFile>
#include <QTest>

#include "widgets/DesignLabel.h"
#include "widgets/FormDesign.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/bvlBUTTON.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

using namespace tonalix::widgets;

class TestFormDesign : public QObject {
  Q_OBJECT

  static QString readFixture(const char* name) {
    QFile f(QStringLiteral(TONALIX_TEST_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
  }

 private slots:
  void parseBuildSaveReproducesDesign() {
    const QString text = readFixture("sample.design");
    QVERIFY(!text.isEmpty());
    const auto parsed = FormDesign::parse(text);
    QVERIFY2(parsed.ok(), qPrintable(parsed.errorText()));
    QCOMPARE(parsed.design.controls.size(), 5);
    QCOMPARE(parsed.design.save(), text);  // the text format alone round-trips

    QWidget window;
    window.resize(800, 600);
    const BuiltControls built = parsed.design.build(&window);
    QVERIFY2(built.errors().isEmpty(), qPrintable(built.errors().value(0).toString()));
    const FormDesign captured = FormDesign::capture(built);
    QCOMPARE(captured.save(), text);
  }

  void buildPlacesAndSetsUpControls() {
    const auto parsed = FormDesign::parse(readFixture("sample.design"));
    QWidget window;
    const BuiltControls built = parsed.design.build(&window);
    const int dpi = window.logicalDpiX();

    auto* volume = built.get<zykSlider>(QStringLiteral("vscrVolume"));
    QVERIFY(volume);
    QCOMPARE(volume->parentWidget(), &window);
    QCOMPARE(volume->pos(), QPoint(designTwipsToPixels(7200, dpi), designTwipsToPixels(360, dpi)));
    QCOMPARE(volume->Value(), 127);
    QCOMPARE(volume->RailStyle(), 99);
    QCOMPARE(volume->size(), QSize(26, 200));  // from the thumb and rail pictures

    auto* bar = built.get<zykProgressBar>(QStringLiteral("volProgBar"));
    QVERIFY(bar);
    QCOMPARE(bar->size(), QSize(14, 200));

    auto* label = built.get<DesignLabel>(QStringLiteral("lblPitch"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Pitch \"50\"\\n\nnext line"));
    QVERIFY(label->font().bold());
    QVERIFY(label->alignment() & Qt::AlignHCenter);
    QVERIFY(!label->autoFillBackground());  // transparent

    QVERIFY(built.widget(QStringLiteral("lblKey"), 3));
    QVERIFY(!built.widget(QStringLiteral("lblKey")));  // an array member needs its index
    QVERIFY(!built.widget(QStringLiteral("nothing")));
  }

  void twipsScaleWithScreenDpi() {
    QCOMPARE(designTwipsToPixels(1500, 96), 100);
    QCOMPARE(designTwipsToPixels(1500, 144), 150);
    QCOMPARE(designPixelsToTwips(150, 144), 1500);
    QCOMPARE(designTwipsToPixels(7, 96), 0);  // 0.47 of a pixel
  }

  void badLinesAreReportedWithTheirNumbers() {
    const QString text = QStringLiteral(
        "# a design with mistakes\n"                         // 1
        "control zykSlider vscrA 0 0 100\n"                  // 2: too few fields
        "end\n"                                              // 3: nothing open
        "control zykSlider vscrB 0 0 100 -4\n"               // 4: negative height
        "control zykSlider vscrC 0 0 100 100\n"              // 5
        "  Max = int 12x\n"                                  // 6: bad number
        "  Min = float 2\n"                                  // 7: unknown kind
        "  Caption = str \"open\n"                           // 8: unclosed string
        "  BackColor = color red\n"                          // 9: bad colour
        "  Font = font \"Arial\" big\n"                      // 10: bad font size
        "  Max = int 20\n"                                   // 11
        "  Max = int 30\n"                                   // 12: set twice
        "  just words\n"                                     // 13: not a property
        "  Caption = str \"a\\qb\"\n"                        // 14: unknown escape
        "end\n"                                              // 15
        "stray\n"                                            // 16: outside a control
        "control Label lblX 0 0 10 10\n"                     // 17
        "end\n"                                              // 18
        "control Label lblX 0 0 10 10\n"                     // 19: defined twice
        "end\n"                                              // 20
        "control Label lblY(x) 0 0 10 10\n"                  // 21: bad index
        "control Label lblZ 0 0 10 10\n");                   // 22: never closed
    const auto r = FormDesign::parse(text);
    QVERIFY(!r.ok());
    QList<int> lines;
    for (const auto& e : r.errors) lines << e.line;
    QCOMPARE(lines, QList<int>({2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 16, 19, 21, 22}));
    QVERIFY(r.errorText().startsWith(QStringLiteral("line 2: expected 'control")));
    QVERIFY(r.errors[3].message.contains(QStringLiteral("12x")));
    QVERIFY(r.errors[8].message.contains(QStringLiteral("first on line 11")));
    // The good parts are kept.
    QCOMPARE(r.design.controls.size(), 3);
    QCOMPARE(r.design.controls[0].properties.ReadProperty(QStringLiteral("Max")).toInt(), 20);
  }

  void unknownTypesAndMissingPicturesAreReportedAtBuild() {
    const auto parsed = FormDesign::parse(QStringLiteral(
        "control zykSlider vscrA 0 0 300 1500\n"
        "  SliderIcon = pic \":/images/none.png\"\n"
        "end\n"
        "control NoSuchThing thing 0 0 10 10\n"
        "end\n"
        "control Label lblA 0 0 150 150\n"
        "end\n"));
    QVERIFY2(parsed.ok(), qPrintable(parsed.errorText()));
    QWidget window;
    const BuiltControls built = parsed.design.build(&window);
    QCOMPARE(built.errors().size(), 2);
    QCOMPARE(built.errors()[0].line, 2);
    QVERIFY(built.errors()[0].message.contains(QStringLiteral(":/images/none.png")));
    QCOMPARE(built.errors()[1].line, 4);
    QVERIFY(built.errors()[1].message.contains(QStringLiteral("NoSuchThing")));
    QCOMPARE(built.controls().size(), 2);
    QCOMPARE(built.get<zykSlider>(QStringLiteral("vscrA"))->SliderIcon(), QString());  // kept the default
  }

  void buttonArraysSurviveARoundTrip() {
    const auto parsed = FormDesign::parse(QStringLiteral(
        "control zqButtons_H cmdOctave(0) 120 4200 480 330\n  Caption = str \"01\"\nend\n"
        "control zqButtons_H cmdOctave(1) 660 4200 480 330\n  Caption = str \"02\"\nend\n"));
    QWidget first;
    const QString saved = FormDesign::capture(parsed.design.build(&first)).save();
    QVERIFY(saved.contains(QStringLiteral("control zqButtons_H cmdOctave(1) 660 4200 480 330\n  Caption = str \"02\"")));
    QWidget second;
    QCOMPARE(FormDesign::capture(FormDesign::parse(saved).design.build(&second)).save(), saved);
  }

  // A design edited by hand may spell keys in any case: they set the same settings, save under
  // the widget's own spelling, and a key repeated in another case is still a repeat.
  void keysAreMatchedWithoutRegardToCase() {
    const auto parsed = FormDesign::parse(QStringLiteral(
        "control bvlBUTTON optFreq(0) 6630 5085 315 135\n  behaviour = int 2\n  BEVELAUTOADJUST = bool false\n"
        "  bevelHeight = int 2\n  captioncolour = color 0x0098805A\nend\n"));
    QVERIFY2(parsed.ok(), qPrintable(parsed.errorText()));
    QWidget window;
    const BuiltControls built = parsed.design.build(&window);
    auto* option = built.get<bvlBUTTON>(QStringLiteral("optFreq"), 0);
    QVERIFY(option);
    QCOMPARE(option->Behaviour(), int(bvlBUTTON::OptionButton));
    QCOMPARE(option->BevelAutoAdjust(), false);
    QCOMPARE(option->BevelHeight(), 2);
    QCOMPARE(option->CaptionColour(), ColorValue(0x98805A));
    QCOMPARE(FormDesign::capture(built).save(),
             QStringLiteral("# Tonalix window design\n\ncontrol bvlBUTTON optFreq(0) 6630 5085 315 135\n"
                            "  Behaviour = int 2\n  BevelAutoAdjust = bool false\n  BevelHeight = int 2\n"
                            "  CaptionColour = color 0x0098805A\nend\n"));

    const auto twice = FormDesign::parse(
        QStringLiteral("control bvlBUTTON b 0 0 315 135\n  BevelHeight = int 2\n  bevelheight = int 3\nend\n"));
    QCOMPARE(twice.errorText(), QStringLiteral("line 3: bevelheight is set twice for 'b' (first on line 2)"));
  }

  void missingFileIsAnError() {
    const auto r = FormDesign::load(QStringLiteral("/no/such/file.design"));
    QVERIFY(!r.ok());
    QVERIFY(r.errorText().contains(QStringLiteral("cannot open")));
  }
};

QTEST_MAIN(TestFormDesign)
#include "tst_FormDesign.moc"
