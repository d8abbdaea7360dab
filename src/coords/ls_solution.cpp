#include "coords/ls_solution.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace zelko {

namespace {

// The floor below which even the largest column counts as zero.
constexpr long double kFirstColumnFloor = 1e-50L;

bool Covers(const RealMatrix& a, int rows, int cols) {
  if (rows < 0 || cols < 0 || a.size() < static_cast<std::size_t>(rows)) return false;
  for (int k = 0; k < rows; ++k)
    if (a[k].size() < static_cast<std::size_t>(cols)) return false;
  return true;
}

// Stores an extended value into a double; false when the stored value is not finite, which is
// how overflow and invalid operations show.
bool Store(double& target, long double value) {
  target = static_cast<double>(value);
  return std::isfinite(target);
}

}  // namespace

int QRDecompose(int m, int n, RealMatrix& A, long double tol, TIntVector& pivot, RealMatrix& R,
                std::vector<double>& w) {
  if (!Covers(A, m, n) || w.size() < static_cast<std::size_t>(n)) return -1;
  pivot.assign(n, 0);
  R.assign(n, std::vector<double>(n, 0.0));
  for (int k = 0; k < n; ++k) pivot[k] = k + 1;
  const long double tol2 = tol * tol;
  std::vector<long double> s(n, 0.0L);

  for (int i = 1; i <= n; ++i) {
    // Squared norms of the remaining columns as the earlier steps left them.
    for (int j = i; j <= n; ++j) {
      const int c = pivot[j - 1] - 1;
      long double sum = 0;
      for (int k = 0; k < m; ++k) sum += static_cast<long double>(A[k][c]) * A[k][c];
      if (!std::isfinite(sum)) return -1;
      s[j - 1] = sum;
    }

    int h = i;
    long double g = 0;
    long double e = 0;
    long double best = 0;
    if (i == 1) {
      for (int j = 1; j <= n; ++j) {
        if (!Store(w[j - 1], s[j - 1])) return -1;
        if (s[j - 1] > best) {
          best = s[j - 1];
          h = j;
        }
      }
      g = s[h - 1];
    } else {
      // Relative to the initial norm, so a long column that is nearly dependent loses against a
      // short one that is not.
      for (int j = i; j <= n; ++j) {
        const long double t = w[j - 1] == 0 ? 0.0L : s[j - 1] / w[j - 1];
        if (t > best) {
          best = t;
          h = j;
        }
      }
      e = best;
      g = best > 0 ? s[h - 1] : 0.0L;
    }

    w[h - 1] = w[i - 1];
    if (!Store(w[i - 1], i == 1 ? g : e)) return -1;
    std::swap(pivot[i - 1], pivot[h - 1]);
    if (h != i)
      for (int k = 0; k <= i - 2; ++k) std::swap(R[k][i - 1], R[k][h - 1]);

    if (i == 1 ? g < kFirstColumnFloor : e < tol2) return i - 1;

    const int q = pivot[i - 1] - 1;
    const long double root = std::sqrt(g);
    if (!Store(R[i - 1][i - 1], root)) return -1;
    for (int k = 0; k < m; ++k)
      if (!Store(A[k][q], A[k][q] / root)) return -1;

    for (int j = i + 1; j <= n; ++j) {
      const int c = pivot[j - 1] - 1;
      long double d = 0;
      for (int k = 0; k < m; ++k) d += static_cast<long double>(A[k][c]) * A[k][q];
      if (!Store(R[i - 1][j - 1], d)) return -1;
      for (int k = 0; k < m; ++k)
        if (!Store(A[k][c], A[k][c] - d * A[k][q])) return -1;
    }
  }
  return n;
}

bool QRSolve(int m, int n, RealMatrix& A, int r, std::vector<double>& b, std::vector<double>& x,
             const TIntVector& pivot, const RealMatrix& R) {
  if (!Covers(A, m, n) || !Covers(R, n, n) || r < 0 || r > n ||
      b.size() < static_cast<std::size_t>(m) || x.size() < static_cast<std::size_t>(n) ||
      pivot.size() < static_cast<std::size_t>(n))
    return false;
  for (int i = 0; i < n; ++i)
    if (pivot[i] < 1 || pivot[i] > n) return false;

  // Projection of b onto the orthonormal columns; b keeps the residual.
  for (int i = 1; i <= r; ++i) {
    const int q = pivot[i - 1] - 1;
    long double s = 0;
    for (int k = 0; k < m; ++k) s += static_cast<long double>(A[k][q]) * b[k];
    if (!Store(x[q], s)) return false;
    for (int k = 0; k < m; ++k)
      if (!Store(b[k], b[k] - s * A[k][q])) return false;
  }

  if (r >= 1) {
    const int last = pivot[r - 1] - 1;
    if (!Store(x[last], static_cast<long double>(x[last]) / R[r - 1][r - 1])) return false;
    for (int i = r - 1; i >= 1; --i) {
      const int p = pivot[i - 1] - 1;
      long double sum = 0;
      for (int j = i + 1; j <= r; ++j)
        sum += static_cast<long double>(R[i - 1][j - 1]) * x[pivot[j - 1] - 1];
      const long double v = x[p] - sum;
      if (!Store(x[p], v / R[i - 1][i - 1])) return false;
    }
  }

  // The basic solution: dependent columns contribute nothing.
  for (int i = r + 1; i <= n; ++i) x[pivot[i - 1] - 1] = 0;
  return true;
}

bool LeastSquaresSolve(int m, int n, RealMatrix& A, std::vector<double>& x, std::vector<double>& b,
                       std::vector<double>& w, std::string* message, int* rank) {
  if (message) message->clear();
  if (rank) *rank = 0;
  if (!Covers(A, m, n) || b.size() < static_cast<std::size_t>(m) ||
      x.size() < static_cast<std::size_t>(n) || w.size() < static_cast<std::size_t>(n))
    return false;
  TIntVector pivot;
  RealMatrix R;
  const int r = QRDecompose(m, n, A, kRankTolerance, pivot, R, w);
  if (r < 0) return false;
  if (rank) *rank = r;
  if (r == 0) {
    if (message) *message = kRankZeroMessage;
    return true;
  }
  return QRSolve(m, n, A, r, b, x, pivot, R);
}

}  // namespace zelko
