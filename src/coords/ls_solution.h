// Linear least squares A·x ≈ b by QR decomposition with column pivoting (modified Gram–Schmidt).
// Sums, products, quotients and roots are formed in extended precision and stored as doubles.
#pragma once

#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

// Rows are observations, columns the coefficients sought; element [i][j] is row i, column j.
using RealMatrix = std::vector<std::vector<double>>;

// Shown by the caller when the largest column is practically zero.
inline constexpr const char* kRankZeroMessage = "ヤコビアンが0に近くなりました。";

// Default relative tolerance of the rank test (a column is dependent when less than this
// fraction of its initial norm remains).
inline constexpr long double kRankTolerance = 1e-14L;

// Factors the m×n matrix A in place: A's pivoted columns become orthonormal, R (resized to n×n,
// zero outside its upper triangle) receives the triangular factor, pivot[k] the 1-based column
// at position k+1, w the squared norms used by the pivot rule. Returns the numerical rank
// 0..n, or -1 when a non-finite value arose (or the arrays are smaller than m and n say).
int QRDecompose(int m, int n, RealMatrix& A, long double tol, TIntVector& pivot, RealMatrix& R,
                std::vector<double>& w);

// Solves from a factorisation of rank r: x gets the basic solution (zero for the columns after
// position r), b the residual of the projection. False when a non-finite value arose.
bool QRSolve(int m, int n, RealMatrix& A, int r, std::vector<double>& b, std::vector<double>& x,
             const TIntVector& pivot, const RealMatrix& R);

// Least-squares solution of A·x ≈ b; A, b and w are overwritten. When the rank is 0, x is left
// as it was, *message (if given) gets kRankZeroMessage, and the result is still true; otherwise
// *message is cleared. False on an arithmetic fault (non-finite intermediate) or on arrays
// smaller than m and n say; no message then. *rank (if given) gets the numerical rank.
bool LeastSquaresSolve(int m, int n, RealMatrix& A, std::vector<double>& x, std::vector<double>& b,
                       std::vector<double>& w, std::string* message = nullptr, int* rank = nullptr);

}  // namespace zelko
