// Least-squares fits of the transformation coefficients from the marker table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/ls_solution.h"
#include "document/project_data.h"

namespace zelko {

// The texts of one marker-table row, columns 1..4, exactly as the table holds them.
struct MarkerRowText {
  std::string imageX;     // "x(pixels)"
  std::string imageY;     // "y(pixels)"
  std::string physicalX;  // "X(unit)" or "経度"
  std::string physicalY;  // "Y(unit)" or "緯度"
};

// The rows of a project's marker records, as the marker table shows them once it is opened.
std::vector<MarkerRowText> MarkerRowsOf(const std::vector<MarkerRecord>& markers);

// Too few rows have image coordinates and a physical X.
inline constexpr const char* kFitShortageXMessage =
    "マーカー数が足りないか、マーカーの\n物理座標が正しく入力されていません。";
// Too few rows have a physical Y (the X fit has been made).
inline constexpr const char* kFitShortageYMessage = "マーカー数が足りません。";
// The solver met an overflow or an invalid operation (coordinates far too large, as a rule).
inline constexpr const char* kFitFaultMessage =
    "変換式の計算中に演算エラーが発生しました。\nマーカーの座標の値を確かめて下さい。";

// The projective fit has fewer than 4 markers with all four coordinates.
inline constexpr const char* kFitShortageProjectiveMessage =
    "射影変換には、画像座標と物理座標（X と Y）がそろったマーカーが 4 点以上必要です。\n"
    "残差で精度を確かめるには 5 点以上を置いて下さい。";

// Markers typed on both sides of ±180° longitude (−179.99 beside 179.99, as maps show them):
// true when the usable longitudes span more than 180° and adding 360° to the negative ones
// brings them within 180°. Only meaningful in the degree unit.
bool LongitudesCrossAntimeridian(const std::vector<MarkerRowText>& rows);

// The physical X of a row as the fits take it: the typed number, plus 360 when it is negative
// and the longitudes are unwrapped.
std::optional<double> FittedPhysicalX(const MarkerRowText& row, bool unwrapLongitudes);

// Writes the basis terms of (x, y) for a method into terms[1..n-1] (terms[0] := 1): x, y and
// then 3: x·y; 4: x·y, x², y²; 5: x², x·y, y², x³, x²·y, x·y², y³. terms is resized to n.
void BasisTerms(int method, double x, double y, std::vector<double>& terms);

// Fits one coordinate: A[i] = (1, terms[i][1..n-1]), b = values[0..count-1]. On success the n
// coefficients are copied into C (resized to at least n). False when the solver met an
// arithmetic fault or the arrays are smaller than count and n say; C is then unchanged.
// *message gets the solver's message, if any; *rank the solver's numerical rank.
bool FitPolynomial(int count, int n, const RealMatrix& terms, const std::vector<double>& values,
                   std::vector<double>& C, std::string* message = nullptr, int* rank = nullptr);

struct FitResult {
  bool ok = false;
  // The coefficients to copy back: resized to the method's length (old values kept, new ones 0)
  // in every outcome; Cx holds the new X fit once the X pass succeeded.
  std::vector<double> Cx, Cy;
  // Text for an error box, empty when nothing is to be shown.
  std::string message;
  // 0-based marker rows that took part in the X and the Y pass.
  std::vector<int> rowsX, rowsY;
  // The solver's rank in each pass; below the method's length the markers do not determine it.
  int rankX = 0, rankY = 0;
  // The solver met an arithmetic fault (message is kFitFaultMessage).
  bool fault = false;
  // Negative longitudes were taken as 360 more (see LongitudesCrossAntimeridian).
  bool unwrapLongitudes = false;
};

// Fits Cx and Cy for methods 2..6 from the marker rows (row r of the table is rows[r-1]). For
// the polynomials a row takes part in a pass when its image x, image y and that pass's physical
// value are numbers, and a pass needs more such rows than the method has coefficients. The
// projective fit is one joint pass over the rows with all four numbers, at least 4 of them. In
// degrees (longitudeLatitude) longitudes typed across ±180° are unwrapped first. Any other
// method: ok false, coefficients unchanged, no message.
FitResult FitTransform(int method, const std::vector<MarkerRowText>& rows,
                       const std::vector<double>& Cx, const std::vector<double>& Cy,
                       bool longitudeLatitude = false);

}  // namespace zelko
