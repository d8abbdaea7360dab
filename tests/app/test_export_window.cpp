// The export of results from the file menu: the scripted choosers, the file written, and that it
// holds exactly what zelko-cli prints for the same choice.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "../measure/groups_support.h"
#include "app/area_page.h"
#include "app/coord_page.h"
#include "app_fixture.h"
#include "coords/transform.h"
#include "document/project_file.h"

namespace zelko::testing {
namespace {

using test::Group;

class ExportWindowTest : public WindowTest {
 protected:
  // A project on a 400 x 300 photograph: longitude 139 + x/10000, latitude 35.03 - y/10000 in the
  // degree unit, or a tenth of a millimetre per pixel.
  // offsetX: a constant added to X, large enough to swallow the pixels' share if wanted.
  QString WriteProject(bool degrees, double offsetX = 0) {
    MakeImage("photo.bmp", 400, 300);
    ProjectData d;
    d.ImagePath = "photo.bmp";
    d.Method = tmAffine;
    d.ScaleUnit = degrees ? 6 : 2;
    d.Cx = degrees ? std::vector<double>{139, 0.0001, 0} : std::vector<double>{offsetX, 0.1, 0};
    d.Cy = degrees ? std::vector<double>{35.03, 0, -0.0001} : std::vector<double>{30, 0, -0.1};
    d.Categories = {"Sort 1", "水田"};
    d.Lines = {Group(ltClosed, 1, {{10, 10}, {110, 10}, {110, 90}, {10, 90}}),
               Group(ltCurve, 0, {{200, 50}, {233, 71}, {301, 77}}),
               Group(ltPoints, 1, {{5, 250}, {17, 263}})};
    const QString path = TempPath("site.pqs");
    Failure error;
    EXPECT_TRUE(WriteProjectFile(path.toStdString(), d, &error)) << error;
    return path;
  }
  QString OpenProject(bool degrees, double offsetX = 0) {
    const QString path = WriteProject(degrees, offsetX);
    Start({path});
    EXPECT_EQ(form->State().ProjectFile, path);
    return path;
  }

  // Chooses what and the format (by its filter's place in the save chooser) and exports to file.
  void Export(int what, int filter, const QString& file) {
    dialogs.choices.push_back(what);
    dialogs.saveFilterIndexes.push_back(filter);
    dialogs.saveFiles.push_back(file);
    ASSERT_TRUE(Action("ExportResults")->isEnabled());
    Action("ExportResults")->trigger();
  }

  static QByteArray Cli(const QStringList& args) {
    QProcess p;
    p.start(ZELKO_CLI, args);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
  }
};

TEST_F(ExportWindowTest, TheMenuItemSitsAfterTheSavesAndFollowsTheGroups) {
  Start({MakeImage("photo.bmp")});
  QStringList names;
  for (QAction* a : form->File1->actions()) names << a->objectName();
  EXPECT_EQ(names.indexOf("ExportResults"), names.indexOf("PictureSave") + 1);
  EXPECT_EQ(names.indexOf("C1"), names.indexOf("ExportResults") + 1);
  EXPECT_EQ(Action("ExportResults")->text(), "結果のエクスポート(&E)...");
  EXPECT_FALSE(Action("ExportResults")->isEnabled());  // an image without groups

  dialogs.openFiles.push_back(WriteProject(false));
  dialogs.answers.push_back(MsgResult::No);  // the image alone is not kept
  Action("P1")->trigger();
  ASSERT_EQ(form->State().ProjectFile, TempPath("site.pqs"))
      << TakeMessages().join("|").toStdString();
  EXPECT_TRUE(Action("ExportResults")->isEnabled());
  // Group input disables the file menu, and the export with it; its end enables them again.
  Tool("ToolButtonAreaMode")->click();
  ASSERT_TRUE(form->State().isAreaMode);
  auto* start = Find<QPushButton>("ButtonSetArea");
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(form->State().isLineInput);
  EXPECT_FALSE(Action("ExportResults")->isEnabled());
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_FALSE(form->State().isLineInput);
  EXPECT_TRUE(Action("ExportResults")->isEnabled());

  dialogs.answers.push_back(MsgResult::No);  // closed without saving
  Action("C1")->trigger();
  ASSERT_TRUE(form->ImageFile().isEmpty());
  EXPECT_FALSE(Action("ExportResults")->isEnabled());
}

TEST_F(ExportWindowTest, EachChoiceWritesWhatTheCommandLinePrints) {
  const QString project = OpenProject(false);
  struct Case {
    int what, filter;
    const char* file;
    QStringList args;
  };
  const Case cases[] = {
      {0, 0, "r.csv", {"results", "--full-precision", "--format", "csv"}},
      {0, 1, "r.tsv", {"results", "--full-precision"}},
      {0, 2, "r.json", {"results", "--full-precision", "--format", "json"}},
      {1, 0, "p.csv", {"points", "--full-precision", "--format", "csv"}},
      {1, 2, "p.json", {"points", "--full-precision", "--format", "json"}},
      {2, 0, "g.json", {"results", "--format", "shapes"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Export(c.what, c.filter, TempPath(c.file));
    EXPECT_EQ(TakeMessages(), QStringList());
    const QByteArray written = ReadAll(TempPath(c.file));
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(written, Cli(c.args + QStringList{project}));
  }
  EXPECT_TRUE(ReadAll(TempPath("r.csv")).startsWith("\xEF\xBB\xBF分類,Group,長さ(mm)"));
  // Outside the degree unit no GeoJSON is offered; the geometries have no table form.
  ASSERT_EQ(dialogs.choiceItems.back(), (QStringList{"結果表", "点の表", "図形"}));
  EXPECT_EQ(dialogs.fileFilters[0],
            "CSV (コンマ区切り) (*.csv);;TSV (タブ区切り) (*.tsv *.txt);;JSON (*.json)");
  EXPECT_EQ(dialogs.fileFilters.back(), "JSON (*.json)");
  EXPECT_EQ(dialogs.filePresets[0], TempPath("site_結果表.csv"));

  // A name without an extension gets the chosen format's.
  Export(1, 1, TempPath("points"));
  EXPECT_EQ(ReadAll(TempPath("points.tsv")), Cli({"points", "--full-precision", project}));
  // Cancelled in either chooser: nothing is written.
  const int shown = static_cast<int>(dialogs.fileFilters.size());
  Action("ExportResults")->trigger();
  EXPECT_EQ(static_cast<int>(dialogs.fileFilters.size()), shown);
}

TEST_F(ExportWindowTest, GeoJsonFeaturesSitWhereThePointTablePutsThePoints) {
  const QString project = OpenProject(true);
  Export(2, 1, TempPath("groups.geojson"));
  EXPECT_EQ(dialogs.fileFilters.back(), "JSON (*.json);;GeoJSON (*.geojson)");
  const QByteArray geo = ReadAll(TempPath("groups.geojson"));
  EXPECT_EQ(geo, Cli({"results", "--format", "geojson", project}));
  Export(1, 0, TempPath("points.csv"));
  EXPECT_EQ(dialogs.fileFilters.back(),
            "CSV (コンマ区切り) (*.csv);;TSV (タブ区切り) (*.tsv *.txt);;JSON (*.json);;"
            "GeoJSON (*.geojson)");

  // The point table: longitude and latitude of every point by group label.
  QMap<QString, QList<QPair<double, double>>> table;
  const QList<QByteArray> rows = ReadAll(TempPath("points.csv")).mid(3).split('\n');
  ASSERT_EQ(rows[0].trimmed(), "分類,Group,Point,x(pixels),y(pixels),経度(度),緯度(度),x_sd,y_sd");
  for (qsizetype r = 1; r < rows.size(); ++r) {
    const QList<QByteArray> cells = rows[r].trimmed().split(',');
    if (cells.size() < 7) continue;
    table[QString::fromUtf8(cells[1])] << qMakePair(cells[5].toDouble(), cells[6].toDouble());
  }
  ASSERT_EQ(table.size(), 3);

  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(geo, &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_EQ(doc.object()["type"].toString(), "FeatureCollection");
  const QJsonArray features = doc.object()["features"].toArray();
  ASSERT_EQ(features.size(), 3);
  const auto position = [](const QJsonValue& v) {
    return qMakePair(v.toArray()[0].toDouble(), v.toArray()[1].toDouble());
  };
  for (const QJsonValue& f : features) {
    const QJsonObject props = f["properties"].toObject();
    const QString label = props["group"].toString();
    SCOPED_TRACE(label.toStdString());
    const QJsonObject geometry = f["geometry"].toObject();
    QList<QPair<double, double>> coords;
    if (geometry["type"].toString() == "Polygon") {
      const QJsonArray ring = geometry["coordinates"].toArray()[0].toArray();
      EXPECT_EQ(position(ring.first()), position(ring.last()));  // closed
      for (qsizetype i = 0; i + 1 < ring.size(); ++i) coords << position(ring[i]);
      // Drawn clockwise on the map; the ring runs the other way from the same first point.
      std::reverse(coords.begin() + 1, coords.end());
    } else {
      for (const QJsonValue& p : geometry["coordinates"].toArray()) coords << position(p);
    }
    EXPECT_EQ(coords, table[label]);
    EXPECT_EQ(props["points"].toInt(), table[label].size());
  }
  const QJsonObject c1 = features[0]["properties"].toObject();
  EXPECT_EQ(features[0]["geometry"]["type"].toString(), "Polygon");
  EXPECT_EQ(c1["category"].toString(), "水田");
  EXPECT_EQ(c1["kind"].toString(), "領域（閉曲線）");
  EXPECT_LT(c1["area"].toDouble(), 0);  // the group's own sign: clockwise
  EXPECT_EQ(features[1]["geometry"]["type"].toString(), "LineString");
  EXPECT_EQ(features[2]["geometry"]["type"].toString(), "MultiPoint");
}

TEST_F(ExportWindowTest, OutOfDateResultsAreCalculatedFirst) {
  OpenProject(false);
  Tool("ToolButtonAreaMode")->click();
  ASSERT_FALSE(form->State().resultTableShown);
  Export(0, 0, TempPath("r.csv"));
  EXPECT_TRUE(form->State().resultTableShown);
  EXPECT_EQ(form->pageArea->StringGrid3->Cells(1, 1), "C1");
  EXPECT_FALSE(ReadAll(TempPath("r.csv")).isEmpty());
}

TEST_F(ExportWindowTest, AFailedWriteKeepsTheOldFileAndSaysSo) {
  OpenProject(false);
  const QString target = TempPath("r.csv");
  WriteAll(target, "old");
  // The program asks before it replaces a file; "No" keeps it.
  dialogs.answers.push_back(MsgResult::No);
  Export(0, 0, target);
  EXPECT_EQ(TakeMessages(), QStringList{"同名のファイルがあります。\n上書きしてよろしいですか。"});
  EXPECT_EQ(ReadAll(target), "old");

  QFile::setPermissions(target, QFile::ReadOwner);
  dialogs.answers.push_back(MsgResult::Yes);
  Export(0, 0, target);
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].kind, MsgKind::Error);
  EXPECT_TRUE(
      dialogs.messages[1].text.startsWith("ファイル " + target + " の書き込みに失敗しました。\n"))
      << dialogs.messages[1].text.toStdString();
  EXPECT_EQ(ReadAll(target), "old");
}

TEST_F(ExportWindowTest, ATypedExtensionNamesTheFormatWhateverTheFilter) {
  OpenProject(true);
  TakeMessages();
  // The results as JSON although the CSV filter was shown; .txt is the tab-separated form.
  Export(0, 0, TempPath("typed.json"));
  EXPECT_TRUE(ReadAll(TempPath("typed.json")).startsWith("{"))
      << ReadAll(TempPath("typed.json")).left(40).toStdString();
  Export(1, 0, TempPath("points.txt"));
  EXPECT_TRUE(ReadAll(TempPath("points.txt")).contains('\t'));
  EXPECT_EQ(TakeMessages(), QStringList());
  // A format the content cannot take is refused before anything is written.
  Export(2, 0, TempPath("shapes.csv"));
  EXPECT_EQ(TakeMessages(), QStringList{"図形は JSON か GeoJSON で書き出して下さい。"});
  EXPECT_FALSE(QFile::exists(TempPath("shapes.csv")));
}

TEST_F(ExportWindowTest, ResultsThatLostTheirPrecisionAreReportedAndNotExported) {
  // X = 1e17 + x/10: the pixels' share is below the last digit of the constant.
  OpenProject(false, 1e17);
  TakeMessages();
  Tool("ToolButtonAreaMode")->click();
  QTest::mouseClick(form->pageArea->BitBtnCalArea, Qt::LeftButton);
  const QStringList shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(
      shown[0].startsWith("座標の値が大きすぎて正しく計算できないため、長さと面積を0としました："))
      << shown[0].toStdString();
  EXPECT_TRUE(shown[0].contains("C1")) << shown[0].toStdString();
  Export(0, 0, TempPath("r.csv"));
  EXPECT_EQ(TakeMessages(),
            QStringList{
                "座標の値が有限でないか、大きすぎるか、緯度が-90度から90度の範囲を外れているため、"
                "書き出せません。\n変換式の係数と点の座標を確かめて下さい。"});
  EXPECT_FALSE(QFile::exists(TempPath("r.csv")));
}

// The click precision travels with the project: read from a 2.9 file into the coordinate page,
// into the window's exports as zelko-cli reads it, and back out only when it is not the default.
TEST_F(ExportWindowTest, TheClickPrecisionOfAProjectReachesItsExportsAndItsFile) {
  MakeImage("photo.bmp", 400, 300);
  ProjectData d;
  d.ImagePath = "photo.bmp";
  d.Method = tmAffine;
  d.ScaleUnit = 2;
  d.Cx = {0, 0.1, 0};
  d.Cy = {30, 0, -0.1};
  const int at[6][2] = {{20, 20}, {380, 30}, {30, 280}, {370, 270}, {200, 150}, {100, 200}};
  for (int k = 0; k < 6; ++k)
    d.Markers.push_back({static_cast<std::uint16_t>(at[k][0] * 10),
                         static_cast<std::uint16_t>(at[k][1] * 10),
                         std::to_string(at[k][0] / 10.0 + 0.02 * (k % 3 - 1)),
                         std::to_string(30 - at[k][1] / 10.0 + 0.03 * (k % 2))});
  d.Lines = {Group(ltClosed, 0, {{10, 10}, {110, 10}, {110, 90}, {10, 90}})};
  d.ClickPrecision = 1.2;
  const QString project = TempPath("coarse.pqs");
  Failure error;
  ASSERT_TRUE(WriteProjectFile(project.toStdString(), d, &error)) << error;
  Start({project});
  ASSERT_EQ(form->State().ProjectFile, project);
  EXPECT_EQ(form->pageCoord->EditClickPrecision->text(), "1.2");

  Export(0, 0, TempPath("r.csv"));
  const QByteArray results = ReadAll(TempPath("r.csv"));
  EXPECT_EQ(results, Cli({"results", "--full-precision", "--format", "csv", project}));
  EXPECT_TRUE(results.contains("length_sd,area_sd")) << results.toStdString();

  // Back to the default through the field: the project saves as the 2.8.1 file it can be.
  QLineEdit* edit = form->pageCoord->EditClickPrecision;
  edit->selectAll();
  QTest::keyClicks(edit, "0.3");
  QTest::keyClick(edit, Qt::Key_Return);
  Export(0, 0, TempPath("r2.csv"));
  EXPECT_NE(ReadAll(TempPath("r2.csv")), results);
  Action("ResaveProject")->trigger();
  TakeMessages();
  EXPECT_TRUE(ReadAll(project).startsWith("Zelko Version 2.8.1 "));
}

}  // namespace
}  // namespace zelko::testing
