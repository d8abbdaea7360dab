// Older project files and the settings file through the window: what each older form brings in,
// that it is converted on disk exactly once, and what a failed read or conversion leaves behind.
#include <sys/stat.h>

#include <QTest>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <cstring>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/string_grid.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "coords/simple_methods.h"
#include "document/project_file.h"
#include "document/settings.h"

namespace zelko::testing {
namespace {

const char* kReadFailed = "プロジェクトファイルの読み込みに失敗しました。";
const char* kWriteFailed = "プロジェクトファイルの書き込みに失敗しました。";
// The reasons that follow on the message's second line.
const char* kDamaged = "\nファイルの内容が正しくないか、途中で切れています。";
const char* kNoRoom = "\nファイルの形式に収まらない値があります。";
const char* kUpdated = "プロジェクトファイルを更新しました。";

// Little-endian values written out by hand; texts are given as their CP932 bytes.
class Bytes {
 public:
  Bytes& Raw(const QByteArray& b) {
    s_ += b;
    return *this;
  }
  Bytes& U8(unsigned v) {
    s_ += static_cast<char>(v);
    return *this;
  }
  Bytes& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8); }
  Bytes& F32(float v) {
    char b[4];
    std::memcpy(b, &v, 4);
    s_ += QByteArray(b, 4);
    return *this;
  }
  Bytes& F64(double v) {
    char b[8];
    std::memcpy(b, &v, 8);
    s_ += QByteArray(b, 8);
    return *this;
  }
  Bytes& Text(const QByteArray& cp932) {
    return U16(static_cast<unsigned>(cp932.size())).Raw(cp932);
  }
  const QByteArray& bytes() const { return s_; }

 private:
  QByteArray s_;
};

const QByteArray kLeaf("\x97\x74");                                                // 葉
const QByteArray kStem("\x8c\x73");                                                // 茎
const QByteArray kGothic("\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");  // ＭＳ ゴシック

// What differs between the files of the tests; the rest is one fixed document.
struct FileShape {
  QByteArray header;               // 20 bytes
  bool withSort = true;            // absent before 2.7
  bool withCategories = true;      // absent before 2.7
  bool withPointLineWidth = true;  // absent before 2.8
  int method = 2;
  std::vector<std::pair<double, double>> coefficients{{1, 2}, {0.5, 0}, {0, 0.5}};
  QByteArray firstColour = "clRed";
  QByteArray secondColour = "clRed";
};

// An image, contrast 60 on, red 130, one marker at (10.5, 20.0), three groups of categories 1, 0
// and 1, categories 葉 and 茎, point line width 3, notes "memo".
QByteArray ProjectBytes(const FileShape& f) {
  Bytes b;
  b.Raw(f.header).Text("photo.bmp");
  b.U16(60).U8(1).U16(130).U16(128).U16(128).U8(0);
  b.F32(0).U8(0).U8(static_cast<unsigned>(f.method)).Text("20").U8(2);
  b.U16(1).U16(105).U16(200).Text("100").Text("200");
  b.U8(static_cast<unsigned>(f.coefficients.size()));
  for (const auto& [x, y] : f.coefficients) b.F64(x).F64(y);
  b.Text("1");
  b.U16(3);
  const struct {
    unsigned sort, type;
    std::vector<std::pair<float, float>> points;
  } groups[] = {
      {1, 0, {{10, 10}, {50, 10}}}, {0, 1, {{20, 20}, {60, 20}, {40, 70}}}, {1, 2, {{5.5f, 6}}}};
  for (const auto& g : groups) {
    if (f.withSort) b.U16(g.sort);
    b.U8(g.type).U16(static_cast<unsigned>(g.points.size()));
    for (const auto& [x, y] : g.points) b.Text("x").F32(x).F32(y);
  }
  if (f.withCategories) b.U16(2).Text(kLeaf).Text(kStem);
  b.Text(f.firstColour).Text(f.secondColour);
  for (const char* c : {"clWhite", "clBlack", "clYellow", "clRed", "clRed", "clBlue", "clRed"})
    b.Text(c);
  b.U8(1).U8(1).U8(4).U8(1).U8(2);
  if (f.withPointLineWidth) b.U8(3);
  b.Text("clBlack").Text(kGothic).U8(10).U8(128);
  b.Text("clWindowText").Text(kGothic).U8(9).U8(128);
  b.U16(1).Text("memo");
  return b.bytes();
}

QByteArray Header(const char* text) { return QByteArray(text).leftJustified(20, '\0'); }

class LegacyWindowTest : public WindowTest {
 protected:
  // The window with an image open and a document that is not marked changed.
  void StartWithImage() {
    Start({MakeImage("photo.bmp", 200, 100)});
    TakeMessages();
    form->Doc().MarkSaved();
  }
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = TempPath(name);
    WriteAll(path, bytes);
    return path;
  }
  QStringList Categories() const {
    QStringList out;
    const StringGrid* g = form->pageArea->StringGridSort;
    for (int r = 1; r < g->RowCount(); ++r) out << g->Cells(0, r) + "/" + g->Cells(1, r);
    return out;
  }
};

// ------------------------------------------------------------------- older binary versions

TEST_F(LegacyWindowTest, Version22GetsTheDefaultCategoryAndIsConvertedOnce) {
  StartWithImage();
  {
    SymbolSettings s = form->State().sym;
    s.PointLineWidth = 4;
    form->ApplySymbols(s);
  }
  form->pageArea->StringGridSort->SetCell(1, 1, "old");
  form->SetCurrentGroup(7);  // the current group of a larger document
  FileShape shape;
  shape.header = Header("Zelko Version 2.2");
  shape.withSort = shape.withCategories = shape.withPointLineWidth = false;
  const QString path = Write("old22.pqs", ProjectBytes(shape));

  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());  // the conversion says nothing
  ASSERT_EQ(form->Lines().size(), 3u);
  const int types[] = {0, 1, 2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(form->Lines()[i].Sort, 0) << i;
    EXPECT_EQ(form->Lines()[i].LineType, types[i]) << i;
  }
  EXPECT_EQ(form->Lines()[1].NumPoints, 3);
  EXPECT_EQ(form->Lines()[1].Points[2].nm, "3");
  EXPECT_EQ(form->State().IDLine, 0);
  EXPECT_EQ(Categories(), QStringList({"1/Sort 1"}));
  EXPECT_EQ(form->pageArea->ComboBoxSort->itemText(0), "1:Sort 1");
  EXPECT_EQ(form->State().sym.PointLineWidth, 4);
  EXPECT_EQ(form->pageImage->TrackBar1->value(), 60);
  EXPECT_EQ(form->pageCoord->StringGrid1->Cells(1, 1), "10.5");
  EXPECT_EQ(form->Status(3), "変更なし");
  EXPECT_EQ(form->State().ProjectFile, path);

  const QByteArray converted = ReadAll(path);
  EXPECT_EQ(converted.left(20), QByteArray("Zelko Version 2.8.1 "));
  const ProjectReadResult back = ReadProjectFile(path.toStdString());
  ASSERT_EQ(back.Status, ProjectReadStatus::Ok) << back.Error;
  ASSERT_EQ(back.Data.Lines.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.Data.Lines[i].Sort, 0);
    EXPECT_EQ(back.Data.Lines[i].LineType, types[i]);
  }
  EXPECT_EQ(back.Data.Lines[2].Points[0].x, 5.5);
  EXPECT_EQ(back.Data.Categories, std::vector<std::string>{"Sort 1"});
  EXPECT_EQ(back.Data.Sizes.PointLineWidth, 4);
  EXPECT_EQ(back.Data.Notes, std::vector<std::string>{"memo"});

  // From now on it is a current file: read as it is, not written again.
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(ReadAll(path), converted);
  EXPECT_EQ(form->Lines().size(), 3u);
}

TEST_F(LegacyWindowTest, Version27KeepsItsCategoriesAndThePointLineWidth) {
  StartWithImage();
  {
    SymbolSettings s = form->State().sym;
    s.PointLineWidth = 5;
    form->ApplySymbols(s);
  }
  FileShape shape;
  shape.header = Header("Zelko Version 2.7");
  shape.withPointLineWidth = false;
  const QString path = Write("old27.pqs", ProjectBytes(shape));

  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(Categories(), QStringList({"1/葉", "2/茎"}));
  ASSERT_EQ(form->Lines().size(), 3u);
  EXPECT_EQ(form->Lines()[0].Sort, 1);
  EXPECT_EQ(form->Lines()[1].Sort, 0);
  EXPECT_EQ(form->State().sym.PointLineWidth, 5);
  EXPECT_EQ(form->State().sym.RegistPointSize, 2);
  EXPECT_EQ(form->Status(3), "変更なし");

  EXPECT_EQ(ReadAll(path).left(20), QByteArray("Zelko Version 2.8.1 "));
  const ProjectReadResult back = ReadProjectFile(path.toStdString());
  ASSERT_EQ(back.Status, ProjectReadStatus::Ok) << back.Error;
  EXPECT_EQ(back.Data.Categories, (std::vector<std::string>{"葉", "茎"}));
  EXPECT_EQ(back.Data.Lines[2].Sort, 1);
  EXPECT_EQ(back.Data.Sizes.PointLineWidth, 5);
}

TEST_F(LegacyWindowTest, Version28IsReadWithoutBeingRewritten) {
  StartWithImage();
  FileShape shape;
  shape.header = Header("Zelko Version 2.8");
  const QString path = Write("v28.pqs", ProjectBytes(shape));
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().sym.PointLineWidth, 3);
  EXPECT_EQ(ReadAll(path), ProjectBytes(shape));
}

// A conversion that cannot be written keeps the old file and says the document is not saved.
TEST_F(LegacyWindowTest, AConversionThatCannotBeWrittenKeepsTheOriginal) {
  StartWithImage();
  FileShape shape;
  shape.header = Header("Zelko Version 2.7");
  shape.withPointLineWidth = false;
  const QByteArray original = ProjectBytes(shape);
  const QString path = Write("wide.pqs", original);
  // A width no file can hold, kept because the old file has none of its own.
  {
    SymbolSettings s = form->State().sym;
    s.PointLineWidth = 300;
    form->ApplySymbols(s);
  }
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList({QString(kWriteFailed) + kNoRoom}));
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_EQ(form->Lines().size(), 3u);
  EXPECT_EQ(form->State().ProjectFile, path);
  EXPECT_FALSE(form->State().isProjLoading);
}

TEST_F(LegacyWindowTest, AConversionInAFolderThatCannotBeWrittenKeepsTheOriginal) {
  StartWithImage();
  ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
  ASSERT_TRUE(QFile::copy(TempPath("photo.bmp"), TempPath("locked/photo.bmp")));
  FileShape shape;
  shape.header = Header("Zelko Version 2.2");
  shape.withSort = shape.withCategories = shape.withPointLineWidth = false;
  const QByteArray original = ProjectBytes(shape);
  const QString path = Write("locked/old.pqs", original);
  const QByteArray folder = QFile::encodeName(TempPath("locked"));
  ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
  form->OpenProjectFile(path);
  ::chmod(folder.constData(), 0755);
  const QStringList shown = TakeMessages();
  if (shown.isEmpty()) GTEST_SKIP() << "the folder stayed writable (running as root)";
  EXPECT_EQ(shown, QStringList({kWriteFailed}));
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_EQ(form->Lines().size(), 3u);
}

// A read-only file is refused as it would be to anyone, the superuser included.
TEST_F(LegacyWindowTest, AConversionOfAReadOnlyFileKeepsTheOriginal) {
  StartWithImage();
  FileShape shape;
  shape.header = Header("Zelko Version 2.2");
  shape.withSort = shape.withCategories = shape.withPointLineWidth = false;
  const QByteArray original = ProjectBytes(shape);
  const QString path = Write("readonly.pqs", original);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList({QString(kWriteFailed) + "\nファイル " + path +
                                         " は書き込みが許可されていません。"}));
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_EQ(form->Lines().size(), 3u);
}

// ------------------------------------------------------------------- current version

TEST_F(LegacyWindowTest, ACoefficientCountOtherThanTheMethodsLoadsButIsNotASetTransformation) {
  StartWithImage();
  FileShape shape;
  shape.header = QByteArray("Zelko Version 2.8.1 ");
  shape.method = 3;  // needs four coefficients; the file has three
  shape.firstColour = "$0080FF40";
  shape.secondColour = "clred";
  const QString path = Write("odd.pqs", ProjectBytes(shape));
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換");
  EXPECT_EQ(form->Cx(), (std::vector<double>{1, 0.5, 0}));
  EXPECT_EQ(form->Cy(), (std::vector<double>{2, 0, 0.5}));
  EXPECT_TRUE(Tool("ToolButtonAreaMode")->isEnabled());
  EXPECT_EQ(form->State().sym.clFrameMonitorImage, 0x0080FF40u);
  EXPECT_EQ(form->State().sym.clMarker, 0x000000FFu);
  EXPECT_EQ(ReadAll(path), ProjectBytes(shape));

  // A colour text that names no colour fails the read and leaves the document as it was.
  shape.secondColour = "purple";
  shape.method = 2;
  form->OpenProjectFile(Write("purple.pqs", ProjectBytes(shape)));
  EXPECT_EQ(TakeMessages(), QStringList({QString(kReadFailed) + kDamaged}));
  EXPECT_EQ(form->State().ProjectFile, path);
  EXPECT_EQ(form->pageCoord->ComboBoxGridMethod->currentIndex(), 3);
  EXPECT_EQ(form->State().sym.clFrameMonitorImage, 0x0080FF40u);
  EXPECT_FALSE(form->State().isProjLoading);
}

// ------------------------------------------------------------------- keyed text

// Markers, a grid, coefficients under "Coordinate", two groups; no "Image" section. The image
// is named in a folder that is gone.
QByteArray KeyedText(const QByteArray& lineType = "1") {
  return "[File]\r\nImageFile=D:\\old photos\\photo.bmp\r\n"
         "[Markers]\r\nNumber of Markers=2\r\nColCount=5\r\nRowCount=3\r\n"
         "C1R1=10.5\r\nC2R1=20\r\nC3R1=100\r\nC4R1=200\r\n"
         "C1R2=150\r\nC2R2=80\r\nC3R2=300\r\nC4R2=\x82\x53\x82\x4f\x82\x4f\r\n"  // ４００
         "[Grid]\r\nMethod=2\r\nMesh Size=50\r\nScale Unit=2\r\n"
         "[Coordinate]\r\nNumber of Parameters=3\r\nCx0=1.5\r\nCx1=0.5\r\nCx2=0\r\n"
         "Cy0=2\r\nCy1=0\r\nCy2=0.5\r\nNo.of decimals=2\r\n"
         "[Lines]\r\nNumber of Lines=2\r\n"
         "[Line1]\r\nLine Type=" +
         lineType +
         "\r\nNumber of Points=3\r\n"
         "X1=10\r\nY1=10\r\nX2=60\r\nY2=10\r\nX3=30.5\r\nY3=50\r\n"
         "[Line2]\r\nLine Type=2\r\nNumber of Points=1\r\nX1=5\r\nY1=6\r\n";
}

TEST_F(LegacyWindowTest, KeyedTextIsConvertedWithAMessageAndThenOpensAsBinary) {
  StartWithImage();
  form->pageImage->TrackBar1->setValue(70);
  form->pageImage->CheckBoxContrast->click();
  form->pageImage->ScrollBarR->setValue(140);
  form->pageArea->StringGridSort->SetCell(1, 1, "old");
  // Notes and their font are not in the form: they stay exactly as they are.
  QString longLine;
  for (int i = 0; i < 60; ++i) longLine += "word ";
  form->pageNote->Memo1->setPlainText(longLine + "\nsecond");
  QFont notesFont("IPAGothic", 12);
  notesFont.setItalic(true);
  dialogs.fonts.push_back(notesFont);
  QTest::mouseClick(form->pageNote->ButtonMemoFont, Qt::LeftButton);
  form->Doc().MarkSaved();
  const QString path = Write("keyed.pqs", KeyedText());

  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList({kUpdated}));
  EXPECT_EQ(form->ImageFile(), TempPath("photo.bmp"));
  EXPECT_EQ(form->pageImage->TrackBar1->value(), 70);
  EXPECT_TRUE(form->pageImage->CheckBoxContrast->isChecked());
  EXPECT_EQ(form->pageImage->ScrollBarR->value(), 140);
  const StringGrid* g1 = form->pageCoord->StringGrid1;
  EXPECT_EQ(form->NumMarkers(), 2);
  EXPECT_EQ(g1->Cells(1, 1), "10.5");
  EXPECT_EQ(g1->Cells(4, 2), "４００");
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[1].x, 150);
  EXPECT_EQ(form->pageCoord->ComboBoxGridMethod->currentIndex(), 2);
  EXPECT_EQ(form->pageCoord->EditMeshSize->text(), "50");
  EXPECT_EQ(form->pageCoord->ComboBoxScaleUnit->currentIndex(), 2);
  EXPECT_EQ(form->Cx(), (std::vector<double>{1.5, 0.5, 0}));
  EXPECT_EQ(form->Cy(), (std::vector<double>{2, 0, 0.5}));
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（設定済み）");
  EXPECT_EQ(form->EditNumDecimal->text(), "2");
  ASSERT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Lines()[0].LineType, 1);
  EXPECT_EQ(form->Lines()[0].Points[2].x, 30.5);
  EXPECT_EQ(form->Lines()[1].Sort, 0);
  EXPECT_EQ(Categories(), QStringList({"1/Sort 1"}));
  EXPECT_EQ(form->pageNote->Memo1->toPlainText(), longLine + "\nsecond");
  EXPECT_TRUE(form->pageNote->Memo1->font().italic());
  EXPECT_EQ(form->Status(3), "変更なし");
  EXPECT_EQ(form->State().ProjectFile, path);
  EXPECT_FALSE(form->State().isProjLoading);

  const QByteArray converted = ReadAll(path);
  EXPECT_EQ(converted.left(20), QByteArray("Zelko Version 2.8.1 "));
  EXPECT_EQ(converted.mid(20, 11), QByteArray("\x09\x00photo.bmp", 11));  // found beside it

  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(ReadAll(path), converted);
  EXPECT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Cx(), (std::vector<double>{1.5, 0.5, 0}));
}

TEST_F(LegacyWindowTest, KeyedTextWithoutCoefficientsDoesNotBringBackTheOpenOnes) {
  StartWithImage();
  form->OpenProjectFile(Write("keyed.pqs", KeyedText()));
  ASSERT_EQ(form->Cx(), (std::vector<double>{1.5, 0.5, 0}));
  TakeMessages();
  form->OpenProjectFile(Write("bare.pqs", "[File]\r\nImageFile=photo.bmp\r\n"));
  EXPECT_EQ(TakeMessages(), QStringList({kUpdated}));
  EXPECT_EQ(form->pageCoord->ComboBoxGridMethod->currentIndex(), 0);
  // The method "無変換" installs its own coefficients.
  const auto none = NoTransformCoefficients(form->View().BitHeight, form->View().factor);
  EXPECT_EQ(form->Cx(), none.Cx);
  EXPECT_EQ(form->Cy(), none.Cy);
  EXPECT_TRUE(form->Lines().empty());
}

TEST_F(LegacyWindowTest, KeyedTextThatCannotBeReadChangesNothing) {
  StartWithImage();
  FileShape shape;
  shape.header = QByteArray("Zelko Version 2.8.1 ");
  const QString current = Write("current.pqs", ProjectBytes(shape));
  form->OpenProjectFile(current);
  ASSERT_EQ(TakeMessages(), QStringList());

  const QByteArray bad = KeyedText("3");
  const QString path = Write("badtype.pqs", bad);
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList({QString(kReadFailed) + kDamaged}));
  EXPECT_FALSE(form->State().isProjLoading);
  EXPECT_EQ(ReadAll(path), bad);
  EXPECT_EQ(form->State().ProjectFile, current);
  EXPECT_EQ(form->Lines().size(), 3u);
  EXPECT_EQ(form->NumMarkers(), 1);
  EXPECT_EQ(form->pageCoord->ComboBoxGridMethod->currentIndex(), 2);
  EXPECT_EQ(Categories(), QStringList({"1/葉", "2/茎"}));
  EXPECT_EQ(form->Status(3), "変更なし");

  // No image: that message alone, and still nothing changed.
  form->OpenProjectFile(Write("noimage.pqs", "[File]\r\nImageFile=gone.bmp\r\n"));
  EXPECT_EQ(TakeMessages(), QStringList({"画像ファイルがみつかりません。"}));
  EXPECT_EQ(form->State().ProjectFile, current);
  EXPECT_FALSE(form->State().isProjLoading);
}

TEST_F(LegacyWindowTest, AKeyedTextConversionThatCannotBeWrittenKeepsTheOriginal) {
  StartWithImage();
  {
    SymbolSettings s = form->State().sym;
    s.MarkerSize = 300;
    form->ApplySymbols(s);
  }  // kept, since the form has no sizes, and too large for the file
  const QByteArray original = KeyedText();
  const QString path = Write("keyed.pqs", original);
  form->OpenProjectFile(path);
  EXPECT_EQ(TakeMessages(), QStringList({QString(kWriteFailed) + kNoRoom}));
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->State().ProjectFile, path);
}

// ------------------------------------------------------------------- settings

class SettingsWindowTest : public LegacyWindowTest {
 protected:
  void WriteIni(const QByteArray& text) { WriteAll(TempPath("zelko.ini"), text); }
  QStringList RecentCaptions() const {
    QStringList out;
    const QList<QAction*> items = form->MenuOpenProject->actions();
    for (int i = form->State().PosListedFile + 1; i < items.size(); ++i) out << items[i]->text();
    return out;
  }
  // A current-version project beside photo.bmp.
  QString MakeProject(const QString& name) {
    ProjectData d;
    d.ImagePath = "photo.bmp";
    Failure error;
    EXPECT_TRUE(WriteProjectFile(TempPath(name).toStdString(), d, &error)) << error;
    return TempPath(name);
  }
};

TEST_F(SettingsWindowTest, TheWindowComesBackWhereItWasOrOntoTheScreen) {
  WriteIni("[Form]\r\nLeft=40\r\nTop=30\r\nWidht=900\r\nHeight=700\r\n");
  Start();
  // The stored placement is the outer one, frame included.
  EXPECT_EQ(form->frameGeometry(), QRect(40, 30, 900, 700));
  form->close();

  // Off every screen: moved onto the primary one, size kept. A width of 0 counts as missing.
  WriteIni("[Form]\r\nLeft=-9000\r\nTop=12000\r\nWidht=0\r\nHeight=700\r\n");
  form = std::make_unique<TForm1>(dialogs);
  Start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form->frameGeometry().topLeft(), screen.topLeft());
  EXPECT_EQ(form->geometry().width(), 1045);
  EXPECT_EQ(form->frameGeometry().height(), 700);
}

TEST_F(SettingsWindowTest, AnEleventhProjectDropsTheOldest) {
  QByteArray ini = "[File]\r\nNumber of Listed Files=10\r\n";
  for (int i = 0; i < 10; ++i)
    ini += "File " + QByteArray::number(i) + "=/nowhere/p" + QByteArray::number(i) + ".pqs\r\n";
  WriteIni(ini);
  MakeImage("photo.bmp");
  const QString fresh = MakeProject("fresh.pqs");
  Start();
  ASSERT_EQ(RecentCaptions().size(), 10);
  form->OpenProjectFile(fresh);
  QStringList expected{"&0:fresh.pqs"};
  for (int i = 0; i < 9; ++i)
    expected << "&" + QString::number(i + 1) + ":p" + QString::number(i) + ".pqs";
  EXPECT_EQ(RecentCaptions(), expected);
  EXPECT_EQ(form->State().ListedFile.size(), 10);
  EXPECT_FALSE(form->State().ListedFile.contains("/nowhere/p9.pqs"));
}

TEST_F(SettingsWindowTest, OpeningTheThirdEntryMovesItToTheTop) {
  MakeImage("photo.bmp");
  const QString a = MakeProject("a.pqs"), b = MakeProject("b.pqs"), c = MakeProject("c.pqs");
  WriteIni(("[File]\r\nNumber of Listed Files=3\r\nFile 0=" + a + "\r\nFile 1=" + b +
            "\r\nFile 2=" + c + "\r\n")
               .toUtf8());
  Start();
  EXPECT_EQ(RecentCaptions(), QStringList({"&0:a.pqs", "&1:b.pqs", "&2:c.pqs"}));
  Action("ListedFile2")->trigger();
  EXPECT_EQ(form->State().ProjectFile, c);
  EXPECT_EQ(RecentCaptions(), QStringList({"&0:c.pqs", "&1:a.pqs", "&2:b.pqs"}));

  // With unsaved changes, "Yes" saves under a new name first, which puts that file at the top;
  // the entry chosen before is still the one opened.
  form->Doc().MarkUnsaved();
  dialogs.answers.push_back(MsgResult::Yes);
  dialogs.saveFiles.push_back(TempPath("saved.pqs"));
  Action("ListedFile2")->trigger();  // b
  EXPECT_EQ(dialogs.messages.front().text,
            "設定が変更されています。\nプロジェクトファイルを保存しますか。");
  EXPECT_EQ(form->State().ProjectFile, b);
  EXPECT_EQ(RecentCaptions(), QStringList({"&0:b.pqs", "&1:saved.pqs", "&2:c.pqs", "&3:a.pqs"}));
  EXPECT_EQ(form->Status(3), "変更なし");
}

}  // namespace
}  // namespace zelko::testing
