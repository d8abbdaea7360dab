// The document as the one owner of a project's values: edits, notifications, the change state
// and the conversions to and from the file's record.
#include "document/document.h"

#include <gtest/gtest.h>

namespace zelko {
namespace {

struct Recorder {
  std::vector<DocumentChange> changes;
  explicit Recorder(Document& doc) {
    doc.Subscribe([this](const DocumentChange& c) { changes.push_back(c); });
  }
};

TLine Group(std::initializer_list<std::pair<double, double>> points) {
  TLine l;
  for (auto [x, y] : points) l.Points.push_back({"", x, y});
  l.NumPoints = static_cast<int>(l.Points.size());
  return l;
}

TEST(DocumentTest, EveryKindOfEditMarksTheDocumentChangedAndNamesWhatItTouched) {
  struct Case {
    const char* what;
    unsigned part;
    std::function<bool(Document&)> edit;
  };
  const Case cases[] = {
      {"contrast", kPartAdjustments, [](Document& d) { return d.SetContrast(70); }},
      {"contrast on", kPartAdjustments, [](Document& d) { return d.SetContrastOn(true); }},
      {"balance", kPartAdjustments, [](Document& d) { return d.SetBalance(2, 100); }},
      {"colour correction", kPartAdjustments, [](Document& d) { return d.SetAdjustRGB(true); }},
      {"rotation", kPartAdjustments, [](Document& d) { return d.SetRotation(1, "90"); }},
      {"angle text", kPartAdjustments, [](Document& d) { return d.SetAngleText("12.5"); }},
      {"method", kPartTransform, [](Document& d) { return d.SetMethod(2); }},
      {"unit", kPartTransform, [](Document& d) { return d.SetScaleUnit(6); }},
      {"grid interval", kPartGrid, [](Document& d) { return d.SetMeshSize("50"); }},
      {"decimals", kPartDecimals, [](Document& d) { return d.SetNumDecimal("3"); }},
      {"notes", kPartNotes, [](Document& d) { return d.SetNotes("河川幅"); }},
      {"notes font", kPartNotes,
       [](Document& d) {
         return d.SetNotesFont({0, "IPAGothic", 12, 128});
       }},
      {"symbols", kPartSymbols,
       [](Document& d) {
         SymbolSizes sizes;
         sizes.MarkerSize = 9;
         return d.SetSymbols({}, sizes, DefaultMarkerFont());
       }},
      {"categories", kPartCategories,
       [](Document& d) {
         return d.SetCategories({"Sort 1", "樹木"});
       }},
      {"add marker", kPartMarkers, [](Document& d) { return d.AddMarker(10, 20); }},
      {"groups", kPartGroups,
       [](Document& d) {
         return d.Edit("グループ入力", kPartGroups, [](DocumentData& data) {
           data.Lines.push_back(Group({{0, 0}, {1, 1}}));
           return true;
         });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc;
    doc.Reset({});
    Recorder seen(doc);
    ASSERT_FALSE(doc.IsModified());
    EXPECT_TRUE(c.edit(doc));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(seen.changes.size(), 1u);
    EXPECT_TRUE(seen.changes[0].Parts & c.part);
    EXPECT_FALSE(seen.changes[0].Edit.empty());
    EXPECT_FALSE(seen.changes[0].Whole);
    // Undo puts back exactly the document before the edit, redo the one after, and the change
    // state follows.
    const DocumentData after = doc.Data();
    ASSERT_TRUE(doc.CanUndo());
    EXPECT_EQ(doc.UndoName(), seen.changes[0].Edit);
    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Data(), DocumentData{});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(seen.changes.back().Restored);
    EXPECT_TRUE(seen.changes.back().Parts & c.part);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_TRUE(doc.Redo());
    EXPECT_EQ(doc.Data(), after);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.UndoCount(), 1u);
    // The same value again is no edit: nothing to save, nobody told.
    doc.MarkSaved();
    seen.changes.clear();
    if (c.part != kPartMarkers && c.part != kPartGroups) {
      EXPECT_FALSE(c.edit(doc));
      EXPECT_FALSE(doc.IsModified());
      EXPECT_TRUE(seen.changes.empty());
      EXPECT_EQ(doc.UndoCount(), 1u);
    }
  }
}

DocumentData WithGroups(int groups, int points) {
  DocumentData d;
  for (int g = 0; g < groups; ++g) {
    TLine l;
    for (int p = 0; p < points; ++p)
      l.Points.push_back({PointLabel::Number(p + 1), 1.0 * g, 1.0 * p});
    l.NumPoints = points;
    d.Lines.push_back(std::move(l));
  }
  return d;
}

bool EditLines(Document& doc, const char* name,
               const std::function<void(std::vector<TLine>&)>& fn) {
  return doc.Edit(name, kPartGroups, [&](DocumentData& d) {
    fn(d.Lines);
    return true;
  });
}

TEST(DocumentHistoryTest, UndoAndRedoOfGroupEditsAnywhereInTheListComeBackExactly) {
  Document doc;
  doc.Reset(WithGroups(20, 5));
  std::vector<DocumentData> states{doc.Data()};
  EditLines(doc, "点の移動", [](auto& l) { l[7].Points[2].x = 99; });
  states.push_back(doc.Data());
  EditLines(doc, "グループ削除", [](auto& l) { l.erase(l.begin() + 3, l.begin() + 9); });
  states.push_back(doc.Data());
  EditLines(doc, "グループ入力", [](auto& l) { l.push_back(l.front()); });
  states.push_back(doc.Data());
  EditLines(doc, "グループ削除", [](auto& l) { l.erase(l.begin()); });
  states.push_back(doc.Data());
  EditLines(doc, "グループ削除", [](auto& l) { l.clear(); });
  states.push_back(doc.Data());
  EditLines(doc, "点の挿入", [](auto& l) { l.push_back(TLine{}); });
  states.push_back(doc.Data());
  // Identical neighbours make the changed run ambiguous; it must still come back right.
  EditLines(doc, "グループ入力", [](auto& l) { l.push_back(TLine{}); });
  states.push_back(doc.Data());
  ASSERT_EQ(doc.UndoCount(), states.size() - 1);

  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = states.size() - 1; i > 0; --i) {
      ASSERT_TRUE(doc.Undo());
      ASSERT_EQ(doc.Data(), states[i - 1]) << "undo to " << i - 1;
    }
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.Undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
      ASSERT_TRUE(doc.Redo());
      ASSERT_EQ(doc.Data(), states[i]) << "redo to " << i;
    }
    EXPECT_FALSE(doc.Redo());
  }
  // A new edit after an undo ends the redo.
  doc.Undo();
  doc.SetMeshSize("5");
  EXPECT_FALSE(doc.CanRedo());
}

TEST(DocumentHistoryTest, OneDragOrOneSpellOfTypingIsOneEntry) {
  Document doc;
  doc.Reset({});
  for (int v = 51; v <= 80; ++v) doc.SetContrast(v, true);
  EXPECT_EQ(doc.UndoCount(), 1u);
  // The next drag is an entry of its own; so is a step by key (no merge).
  doc.BreakMerge();
  for (int v = 79; v >= 60; --v) doc.SetContrast(v, true);
  doc.SetContrast(61);
  EXPECT_EQ(doc.UndoCount(), 3u);
  // Steps of different channels or kinds are different entries.
  doc.SetBalance(0, 100, true);
  doc.SetBalance(1, 100, true);
  doc.SetNotes("a", true);
  doc.SetNotes("ab", true);
  EXPECT_EQ(doc.UndoCount(), 6u);
  doc.Undo();
  EXPECT_EQ(doc.Data().Notes, "");
  doc.Undo();
  doc.Undo();
  doc.Undo();
  EXPECT_EQ(doc.Data().Contrast, 60);
  doc.Undo();
  EXPECT_EQ(doc.Data().Contrast, 80);
  doc.Undo();
  EXPECT_EQ(doc.Data().Contrast, 50);
  EXPECT_FALSE(doc.IsModified());

  // A drag that ends where it began is no edit at all.
  Document back;
  back.Reset({});
  back.SetContrast(60, true);
  back.SetContrast(50, true);
  EXPECT_EQ(back.UndoCount(), 0u);
  EXPECT_FALSE(back.IsModified());
}

TEST(DocumentHistoryTest, AGroupInputIsOneEntryAndAnInputTakenBackWhollyIsNone) {
  Document doc;
  doc.Reset(WithGroups(3, 2));
  doc.BeginCompound("グループ入力");
  EXPECT_FALSE(doc.CanUndo());
  EditLines(doc, "入力点", [](auto& l) { l.push_back(TLine{}); });
  for (int p = 0; p < 5; ++p)
    EditLines(doc, "入力点", [p](auto& l) { l.back().Points.push_back({"", 1.0 * p, 2}); });
  doc.EndCompound();
  EXPECT_EQ(doc.UndoCount(), 1u);
  EXPECT_EQ(doc.UndoName(), "グループ入力");
  doc.Undo();
  EXPECT_EQ(doc.Data(), WithGroups(3, 2));
  EXPECT_FALSE(doc.IsModified());

  doc.BeginCompound("グループ入力");
  EditLines(doc, "入力点", [](auto& l) { l.push_back(TLine{}); });
  EditLines(doc, "一つ前に戻る", [](auto& l) { l.pop_back(); });
  doc.EndCompound();
  EXPECT_EQ(doc.UndoCount(), 0u);
  EXPECT_TRUE(doc.CanRedo());  // the nothing-input left the redo of the earlier one alone
}

TEST(DocumentHistoryTest, TheHistoryIsBoundedAndUnnamedEditsOrOpeningClearIt) {
  Document doc;
  doc.Reset({});
  doc.SetHistoryLimits(100, std::size_t{1} << 30);
  for (int i = 0; i < 150; ++i) doc.SetMeshSize(std::to_string(i));
  EXPECT_EQ(doc.UndoCount(), 100u);
  while (doc.Undo()) {
  }
  EXPECT_EQ(doc.Data().MeshSize, "49");
  EXPECT_TRUE(doc.IsModified());  // the saved state is beyond the history's reach

  // By memory: large group edits push out the old ones, the newest always stays.
  Document big;
  big.Reset(WithGroups(100, 100));
  big.SetHistoryLimits(1000, 64 << 10);  // about three deletions of ten groups
  for (int i = 0; i < 10; ++i)
    EditLines(big, "グループ削除", [](auto& l) { l.erase(l.end() - 10, l.end()); });
  EXPECT_GE(big.UndoCount(), 1u);
  EXPECT_LT(big.UndoCount(), 10u);
  big.SetHistoryLimits(1000, 0);
  EXPECT_EQ(big.UndoCount(), 1u);

  doc.SetMeshSize("x");
  ASSERT_TRUE(doc.CanUndo());
  doc.Edit("", kPartImage, [](DocumentData& d) {
    d.ImageFile = "/b.jpg";
    return true;
  });
  EXPECT_FALSE(doc.CanUndo());
  doc.SetMeshSize("y");
  doc.Reset({});
  EXPECT_FALSE(doc.CanUndo());

  // A key typed into a cell counts as a change until its text comes in; taking that text back
  // leaves the document as saved.
  doc.MarkPendingEdit();
  EXPECT_TRUE(doc.IsModified());
  doc.SetMeshSize("7");
  doc.Undo();
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentTest, SavingReadingAndFailedRewritesSetTheChangeStateAndTellTheObservers) {
  Document doc;
  Recorder seen(doc);
  doc.Reset({});
  EXPECT_FALSE(doc.IsModified());
  ASSERT_EQ(seen.changes.size(), 1u);
  EXPECT_TRUE(seen.changes[0].Whole);
  EXPECT_EQ(seen.changes[0].Parts, unsigned{kPartAll});

  doc.SetMeshSize("5");
  doc.MarkSaved();
  EXPECT_FALSE(doc.IsModified());
  // A rewrite of an older file that failed: the file no longer holds the document.
  doc.MarkUnsaved();
  EXPECT_TRUE(doc.IsModified());
  doc.MarkUnsaved();
  EXPECT_TRUE(doc.IsModified());
  doc.MarkSaved();
  EXPECT_FALSE(doc.IsModified());

  // Worked-out results are stored but are no edit.
  doc.Recompute(kPartGroups, [](DocumentData& d) {
    d.Lines.push_back(Group({{0, 0}}));
    return true;
  });
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.Data().Lines.size(), 1u);
  EXPECT_TRUE(seen.changes.back().Parts & kPartGroups);

  // An edit that found nothing to do is none.
  EXPECT_FALSE(doc.Edit("グループ削除", kPartGroups, [](DocumentData&) { return false; }));
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentTest, ObserversCanLeaveWhileBeingToldAndTheOthersStillHear) {
  Document doc;
  int first = 0, second = 0;
  int id = 0;
  id = doc.Subscribe([&](const DocumentChange&) {
    ++first;
    doc.Unsubscribe(id);
  });
  doc.Subscribe([&](const DocumentChange&) { ++second; });
  doc.SetNotes("a");
  doc.SetNotes("b");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

TEST(DocumentTest, MarkersKeepTheirTextsAsTypedAndOneCountAfterEveryEdit) {
  Document doc;
  doc.AddMarker(10.26, 20);
  doc.AddMarker(30, 40);
  doc.AddMarker(50, 60);
  const auto& m = doc.Data().Markers;
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].ImageX, "10.3");
  EXPECT_DOUBLE_EQ(m[0].x, 10.26);
  EXPECT_TRUE(doc.SetMarkerCell(0, 3, "1,234.5"));
  EXPECT_FALSE(doc.SetMarkerCell(0, 3, "1,234.5"));
  EXPECT_FALSE(doc.SetMarkerCell(3, 3, "9"));  // no such row
  EXPECT_FALSE(doc.SetMarkerCell(0, 5, "9"));  // no such column
  EXPECT_TRUE(doc.DeleteMarker(1));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[1].ImageX, "50.0");
  EXPECT_TRUE(doc.MoveMarker(1, 1.04, 2.06));
  EXPECT_EQ(m[1].ImageY, "2.1");
  EXPECT_FALSE(doc.DeleteMarker(2));
  EXPECT_FALSE(doc.MoveMarker(-1, 0, 0));
}

TEST(DocumentTest, AProjectRecordComesBackUnchangedThroughTheDocument) {
  ProjectData d;
  d.ImagePath = "photos\\site.jpg";
  d.Contrast = 80;
  d.ContrastOn = true;
  d.Red = 100;
  d.AngleChoice = 4;
  d.Angle = 12.5f;
  d.Method = 2;
  d.ScaleUnit = 3;
  d.MeshSize = "25";
  d.Markers = {{1005, 2000, "100", "200.5"}, {0, 65535, "", "x"}};
  d.Cx = {1, 2, 3};
  d.Cy = {4, 5, 6};
  d.NumDecimal = "2";
  TLine line = Group({{1, 2}, {3, 4}});
  line.Points[0].nm = "1";
  line.Points[1].nm = "2";
  line.Length = 5;
  d.Lines = {line};
  d.Categories = {"Sort 1", "建物"};
  d.Sizes.MarkerSize = 7;
  d.NotesFont.Size = 14;
  d.Notes = {"一行目", "二行目"};

  const DocumentData doc = FromProjectData(d, "/data/photos/site.jpg", DocumentData{}, false);
  EXPECT_TRUE(doc.TransformSet);
  EXPECT_EQ(doc.AngleText, "12.5");
  EXPECT_EQ(doc.Notes, "一行目\n二行目");
  EXPECT_EQ(doc.Markers[0].ImageX, "100.5");
  EXPECT_DOUBLE_EQ(doc.Markers[0].x, 100.5);

  ProjectData back;
  std::string error;
  ASSERT_TRUE(ToProjectData(doc, "/data", {"一行目", "二行目"}, true, &back, &error)) << error;
  EXPECT_EQ(back.ImagePath, d.ImagePath);
  EXPECT_EQ(back.Markers, d.Markers);
  EXPECT_EQ(back.Angle, d.Angle);
  EXPECT_EQ(back.Lines.size(), 1u);
  EXPECT_EQ(back.Lines[0].Length, 5);
  EXPECT_EQ(back.Categories, d.Categories);
  EXPECT_EQ(back.Sizes, d.Sizes);
  EXPECT_EQ(back.NotesFont, d.NotesFont);
  EXPECT_EQ(back.Notes, d.Notes);
  EXPECT_EQ(back.Contrast, 80);
  EXPECT_EQ(back.Method, 2);
}

TEST(DocumentTest, WhatAnOlderFileLeavesOutKeepsTheCurrentValues) {
  DocumentData current;
  current.Notes = "残す";
  current.NotesFont.Size = 20;
  current.MarkerFont.Size = 30;
  current.Sizes.PointLineWidth = 4;
  current.Cx = {7, 8, 9};
  current.Cy = {1, 1, 1};
  ProjectData d;
  d.HasNotes = d.HasNotesFont = d.HasMarkerFont = d.HasPointLineWidth = false;
  d.HasCategories = false;
  d.Categories = {"捨てる"};
  d.Method = 9;      // beyond the choices: the last one
  d.Contrast = 500;  // beyond the slider
  const DocumentData doc = FromProjectData(d, "/x.jpg", current, false);
  EXPECT_EQ(doc.Notes, "残す");
  EXPECT_EQ(doc.NotesFont.Size, 20);
  EXPECT_EQ(doc.MarkerFont.Size, 30);
  EXPECT_EQ(doc.Sizes.PointLineWidth, 4);
  EXPECT_EQ(doc.Categories, std::vector<std::string>{"Sort 1"});
  EXPECT_EQ(doc.Method, kLastMethod);
  EXPECT_EQ(doc.Contrast, 100);
  // No coefficients in the file: none, and none of the open document's either.
  EXPECT_TRUE(doc.Cx.empty());
  EXPECT_FALSE(doc.TransformSet);
  // Coefficients of another method's count are kept but do not count as set; the keyed-text
  // form counts any.
  d.Method = 5;
  d.Cx = d.Cy = {1, 2, 3};
  EXPECT_FALSE(FromProjectData(d, "/x.jpg", current, false).TransformSet);
  EXPECT_TRUE(FromProjectData(d, "/x.jpg", current, true).TransformSet);
}

TEST(DocumentTest, AStrictRecordRefusesTextsThatAreNoStoredNumbers) {
  DocumentData doc;
  doc.Markers.push_back({0, 0, "12.3", "abc", "", ""});
  ProjectData out;
  std::string error;
  EXPECT_FALSE(ToProjectData(doc, "/", {}, true, &out, &error));
  EXPECT_FALSE(error.empty());
  // Not strict (the keyed-text conversion's view of the open document): unreadable becomes 0.
  EXPECT_TRUE(ToProjectData(doc, "/", {}, false, &out, &error));
  EXPECT_EQ(out.Markers[0].YTenths, 0);

  doc.Markers.clear();
  doc.AngleText = "斜め";
  error.clear();
  EXPECT_FALSE(ToProjectData(doc, "/", {}, true, &out, &error));
  EXPECT_NE(error.find("斜め"), std::string::npos);
}

}  // namespace
}  // namespace zelko
