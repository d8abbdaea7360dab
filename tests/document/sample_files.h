// Project files assembled by hand, shared by the reader, legacy and command-line tests.
#pragma once

#include <string>

#include "test_support.h"

namespace zelko::test {

inline constexpr char kGothic[] =
    "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
inline constexpr char kPGothic[] =
    "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック

// A current-version file written out by hand from the layout tables. With writerLabels the
// point labels are "1", "2", … as the writer makes them; otherwise "a", "", "" and "x".
inline std::string SampleBytes(bool writerLabels = false) {
  FileBytes b;
  b.Raw("Zelko Version 2.8.1 ").Text("photos\\site1.jpg");
  b.U16(60).U8(1).U16(100).U16(128).U16(200).U8(0);
  b.Hex("cdcc4441").U8(4).U8(2).Text("20").U8(2);
  b.U16(1).U16(123).U16(4567).Text("100").Text("\x82\x51\x82\x4f\x82\x4f");
  b.U8(3);
  b.Hex("000000000000f03f 0000000000001040");
  b.Hex("0000000000000040 0000000000001440");
  b.Hex("0000000000000840 0000000000001840");
  b.Text("2");
  b.U16(2);
  b.U16(1).U8(1).U16(3);
  b.Text(writerLabels ? "1" : "a").Hex("0000003f 0000c03f");
  b.Text(writerLabels ? "2" : "").Hex("00002041 0000a041");
  b.Text(writerLabels ? "3" : "").Hex("0000f241 000080c0");
  b.U16(0).U8(2).U16(1).Text(writerLabels ? "1" : "x").Hex("0000e040 00000041");
  b.U16(2).Text("Sort 1").Text("\x91\xaa\x93\x5f\x82\x50");
  for (const char* color :
       {"clRed", "clRed", "clWhite", "clBlack", "clYellow", "clRed", "clRed", "clBlue"})
    b.Text(color);
  b.Text("$0080FF40");
  b.U8(1).U8(2).U8(4).U8(3).U8(2).U8(5);
  b.Text("clBlack").Text(kGothic).U8(10).U8(128);
  b.Text("clWindowText").Text(kPGothic).U8(9).U8(128);
  b.U16(2).Text("\x83\x81\x83\x82").Text("");
  return b.str();
}

// Everything up to the group count, the same in every binary version.
inline FileBytes Front(const char* header) {
  FileBytes b;
  b.Raw(header).Text("a.jpg");
  b.U16(40).U8(1).U16(120).U16(130).U16(140).U8(1).Hex("0000b442").U8(1).U8(3).Text("10").U8(4);
  b.U16(1).U16(15).U16(25).Text("1.5").Text("2.5");
  b.U8(4).Hex("000000000000f03f 0000000000000040");
  for (int i = 0; i < 3; ++i) b.Hex("0000000000000000 0000000000000000");
  b.Text("3");
  return b;
}

inline void Colors(FileBytes& b) {
  for (const char* color :
       {"clRed", "clLime", "clWhite", "clBlack", "clYellow", "clRed", "clRed", "clBlue", "clAqua"})
    b.Text(color);
}

inline void Tail(FileBytes& b) {
  b.Text("clBlack").Text(kGothic).U8(12).U8(128);
  b.Text("clNavy").Text("Arial").U8(9).U8(0);
  b.U16(2).Text("one").Text("two");
}

// Three groups without categories, five size bytes.
inline std::string Version22() {
  FileBytes b = Front("Zelko Version 2.2.0 ");
  b.U16(3);
  b.U8(0).U16(2).Text("p").Hex("0000803f 00000040").Text("q").Hex("00004040 00008040");
  b.U8(1)
      .U16(3)
      .Text("")
      .Hex("00000000 00000000")
      .Text("")
      .Hex("0000803f 00000000")
      .Text("")
      .Hex("00000000 0000803f");
  b.U8(2).U16(1).Text("").Hex("0000a040 0000c040");
  Colors(b);
  b.U8(2).U8(3).U8(5).U8(6).U8(7);
  Tail(b);
  return b.str();
}

// The text of a keyed-text project as the old program wrote it.
inline std::string FullKeyedText() {
  return "[File]\r\n"
         "ImageFile=D:\\\x8c\xbb\x8f\xea\\site1.jpg\r\n"
         "[Image]\r\n"
         "Contrast value=70\r\n"
         "Contrast=1\r\n"
         "Red value=100\r\n"
         "Green value=110\r\n"
         "Blue value=120\r\n"
         "AdjustRGB=0\r\n"
         "Angle=12.5\r\n"
         "[Markers]\r\n"
         "Number of Markers=2\r\n"
         "ColCount=5\r\n"
         "RowCount=3\r\n"
         "C0R0=No.\r\nC1R0=x(pixels)\r\n"
         "C0R1=1\r\nC1R1=10.0\r\nC2R1=20.5\r\nC3R1=100\r\nC4R1=\x82\x51\x82\x4f\x82\x4f\r\n"
         "C0R2=2\r\nC1R2=30.25\r\nC2R2=40.0\r\nC3R2=300\r\nC4R2=400\r\n"
         "[Grid]\r\n"
         "Method=2\r\n"
         "Mesh Size=50\r\n"
         "Scale Unit=2\r\n"
         "[Coordinates]\r\n"
         "Number of Parameters=3\r\n"
         "Cx0=1.5\r\nCy0=-2\r\nCx1=0.25\r\nCy1=0\r\nCx2=0\r\nCy2=1e-3\r\n"
         "No.of decimals=2\r\n"
         "[Lines]\r\n"
         "Number of Lines=2\r\n"
         "[Line1]\r\n"
         "Line Type=1\r\n"
         "Number of Points=3\r\n"
         "X1=1\r\nY1=2\r\nX2=3.5\r\nY2=4\r\nX3=5\r\nY3=6\r\n"
         "[Line2]\r\n"
         "Line Type=2\r\n"
         "Number of Points=1\r\n"
         "X1=7\r\nY1=8\r\n";
}

}  // namespace zelko::test
