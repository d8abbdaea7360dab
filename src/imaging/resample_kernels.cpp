#include "imaging/resample_kernels.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zelko::kernels {

namespace {

// Helper threads that live as long as the program: a slider step runs several jobs of a few
// milliseconds each, and starting a thread per job cost as much as the job. One job at a time;
// a caller that finds the pool busy (another thread, or a job started from inside a job) does
// its work itself.
class RowPool {
 public:
  RowPool() {
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned helpers = cores > 1 ? std::min(cores - 1, 7u) : 0u;
    for (unsigned i = 0; i < helpers; ++i) {
      try {
        workers_.emplace_back([this] { Serve(); });
      } catch (const std::system_error&) {
        break;  // fewer helpers; the caller still works
      }
    }
  }
  ~RowPool() {
    {
      const std::lock_guard lock(m_);
      stop_ = true;
    }
    wake_.notify_all();
    workers_.clear();  // joins
  }
  RowPool(const RowPool&) = delete;
  RowPool& operator=(const RowPool&) = delete;

  int Helpers() const { return static_cast<int>(workers_.size()); }

  // false when the pool is busy: the caller runs the job alone.
  bool Run(int rows, const std::function<void(int, int)>& fn) {
    std::unique_lock job(jobMutex_, std::try_to_lock);
    if (!job.owns_lock() || workers_.empty()) return false;
    // A few parts per thread, so a thread that gets a slow band is helped by the others.
    const int threads = Helpers() + 1;
    const int parts = std::min(rows, threads * 4);
    {
      const std::lock_guard lock(m_);
      fn_ = &fn;
      rows_ = rows;
      parts_ = parts;
      next_ = 0;
      unfinished_ = parts;
      error_ = nullptr;
      ++generation_;
    }
    wake_.notify_all();
    Work();
    std::unique_lock lock(m_);
    done_.wait(lock, [this] { return unfinished_ == 0; });
    fn_ = nullptr;
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    return true;
  }

 private:
  void Serve() {
    std::uint64_t seen = 0;
    for (;;) {
      {
        std::unique_lock lock(m_);
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
      }
      Work();
    }
  }

  // Takes parts until none is left.
  void Work() {
    for (;;) {
      int part;
      const std::function<void(int, int)>* fn;
      int rows, parts;
      {
        const std::lock_guard lock(m_);
        if (fn_ == nullptr || next_ >= parts_) return;
        part = next_++;
        fn = fn_;
        rows = rows_;
        parts = parts_;
      }
      const int y0 = static_cast<int>(std::int64_t{rows} * part / parts);
      const int y1 = static_cast<int>(std::int64_t{rows} * (part + 1) / parts);
      std::exception_ptr error;
      try {
        (*fn)(y0, y1);
      } catch (...) {
        error = std::current_exception();
      }
      const std::lock_guard lock(m_);
      if (error && !error_) error_ = error;
      if (--unfinished_ == 0) done_.notify_all();
    }
  }

  std::mutex jobMutex_;
  std::mutex m_;
  std::condition_variable wake_, done_;
  const std::function<void(int, int)>* fn_ = nullptr;
  int rows_ = 0, parts_ = 0, next_ = 0, unfinished_ = 0;
  std::uint64_t generation_ = 0;
  std::exception_ptr error_;
  bool stop_ = false;
  std::vector<std::jthread> workers_;  // last: joined before the members they use go
};

RowPool& Pool() {
  static RowPool pool;
  return pool;
}

}  // namespace

void ParallelRows(int rows, std::int64_t work, const std::function<void(int, int)>& fn) {
  if (rows <= 0) return;
  // Below this handing the work over costs more than it saves.
  constexpr std::int64_t kMinParallelWork = 1 << 16;
  if (rows < 2 || work < kMinParallelWork || !Pool().Run(rows, fn)) fn(0, rows);
}

int ParallelHelpers() { return Pool().Helpers(); }

// (index x size) div count for every index below count, with the 32-bit product rule.
std::vector<std::int32_t> ResizeTable(int size, int count) {
  if (count > 0 && std::int64_t{count - 1} * size > std::numeric_limits<std::int32_t>::max())
    throw ImagingError("算術演算の結果が整数の範囲を越えました");
  std::vector<std::int32_t> t(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) t[i] = static_cast<std::int32_t>(std::int64_t{i} * size / count);
  return t;
}

std::vector<std::int32_t> Identity(int size) {
  std::vector<std::int32_t> t(static_cast<size_t>(std::max(size, 0)));
  for (int i = 0; i < size; ++i) t[i] = i;
  return t;
}

std::int64_t RowBoundLimit(int bpp) {
  switch (bpp) {
    case 1:
      return std::int64_t{32767} * 8 + 7;  // byte index 32767
    case 4:
      return std::int64_t{32767} * 2 + 1;
    case 8:
      return 32767;
    case 16:
      return 16383;
    case 24:
      return 40000000;
    case 32:
      return 100000000;
    default:
      return std::numeric_limits<std::int64_t>::max();
  }
}

std::uint32_t LayoutBackground(int bpp, std::uint32_t background) {
  switch (bpp) {
    case 1:
      return background & 1;
    case 4:
      return background & 15;
    case 24:  // blue, green, red bytes in memory order
      return (background >> 16 & 0xFF) | (background & 0xFF00) | (background & 0xFF) << 16;
    default:
      return background;
  }
}

namespace {

inline unsigned GetSub(const std::uint8_t* row, std::int32_t x, int bpp) {
  if (bpp == 1) return row[x >> 3] >> (7 - (x & 7)) & 1;
  return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
}

inline void SetSub(std::uint8_t* row, std::int32_t x, int bpp, unsigned v) {
  if (bpp == 1) {
    const unsigned bit = 7 - (x & 7);
    row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(1u << bit)) | (v & 1) << bit);
  } else if (x & 1) {
    row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | (v & 15));
  } else {
    row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | (v & 15) << 4);
  }
}

template <int N, bool Lut>
inline void CopyPixel(std::uint8_t* d, const std::uint8_t* s, const ColourTables* lut) {
  if constexpr (Lut && N == 3) {
    d[0] = lut->blue[s[0]];
    d[1] = lut->green[s[1]];
    d[2] = lut->red[s[2]];
  } else {
    std::memcpy(d, s, N);
  }
}

template <int N, bool Lut>
void SeparableRows(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
                   const std::int32_t* rows, const ColourTables* lut, int y0, int y1) {
  const int w = dst.Width();
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* s = src.Row(rows[y]);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < w; ++x, d += N) CopyPixel<N, Lut>(d, s + std::int64_t{columns[x]} * N, lut);
  }
}

// Tiles keep the source rows of one block of destination columns in cache.
template <int N, bool Lut>
void TransposedRows(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
                    const std::int32_t* rows, const ColourTables* lut, int y0, int y1) {
  constexpr int kTile = 64;
  const int w = dst.Width();
  const std::uint8_t* srcRows[kTile];
  for (int x0 = 0; x0 < w; x0 += kTile) {
    const int x1 = std::min(w, x0 + kTile);
    for (int x = x0; x < x1; ++x) srcRows[x - x0] = src.Row(rows[x]);
    for (int y = y0; y < y1; ++y) {
      const std::int64_t offset = std::int64_t{columns[y]} * N;
      std::uint8_t* d = dst.Row(y) + std::int64_t{x0} * N;
      for (int x = x0; x < x1; ++x, d += N) CopyPixel<N, Lut>(d, srcRows[x - x0] + offset, lut);
    }
  }
}

void SubByteSeparable(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
                      const std::int32_t* rows, bool transposed, int y0, int y1) {
  const int bpp = src.BitsPerPixel();
  const int w = dst.Width();
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < w; ++x) {
      const std::int32_t sx = transposed ? columns[y] : columns[x];
      const std::int32_t sy = transposed ? rows[x] : rows[y];
      SetSub(d, x, bpp, GetSub(src.Row(sy), sx, bpp));
    }
  }
}

template <int N, bool Lut>
void Separable(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
               const std::int32_t* rows, bool transposed, const ColourTables* lut) {
  ParallelRows(dst.Height(), std::int64_t{dst.Width()} * dst.Height(), [&](int y0, int y1) {
    if (transposed)
      TransposedRows<N, Lut>(src, dst, columns, rows, lut, y0, y1);
    else
      SeparableRows<N, Lut>(src, dst, columns, rows, lut, y0, y1);
  });
}

}  // namespace

void MapSeparable(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
                  const std::int32_t* rows, bool transposed, const ColourTables* lut) {
  switch (src.BitsPerPixel()) {
    case 8:
      return Separable<1, false>(src, dst, columns, rows, transposed, nullptr);
    case 16:
      return Separable<2, false>(src, dst, columns, rows, transposed, nullptr);
    case 24:
      if (lut != nullptr) return Separable<3, true>(src, dst, columns, rows, transposed, lut);
      return Separable<3, false>(src, dst, columns, rows, transposed, nullptr);
    case 32:
      return Separable<4, false>(src, dst, columns, rows, transposed, nullptr);
    default:
      // 1 and 4 bits are rare in photographs: a plain loop is enough.
      return SubByteSeparable(src, dst, columns, rows, transposed, 0, dst.Height());
  }
}

std::int32_t AffineIndex(std::int32_t x, std::int32_t y, double a, double b, double t) {
  const long double v = static_cast<long double>(x) * a + static_cast<long double>(y) * b + t;
  const long double r = std::nearbyint(v);  // the default rounding: nearest, ties to even
  return static_cast<std::int32_t>(r);
}

namespace {

bool AffineFits(std::int32_t x, std::int32_t y, double a, double b, double t) {
  const long double v = static_cast<long double>(x) * a + static_cast<long double>(y) * b + t;
  const long double r = std::nearbyint(v);
  // One step inside the 32-bit range, so that interior pixels, whose values lie between the
  // corners' up to rounding, fit as well.
  return r >= std::numeric_limits<std::int32_t>::min() + 1.0L &&
         r <= std::numeric_limits<std::int32_t>::max() - 1.0L;
}

// The x range [first, last] of a row in which a*x + b can round into [0, size); outside it the
// row is background. Generous by a pixel so that rounding differences never matter.
inline void InsideSpan(double a, double b, int size, int width, int& first, int& last) {
  const double lo = -1.0, hi = size + 0.5;
  if (a == 0) {
    if (!(b >= lo && b <= hi)) last = -1;
    return;
  }
  double x0 = (lo - b) / a, x1 = (hi - b) / a;
  if (x0 > x1) std::swap(x0, x1);
  if (!(x1 >= 0) || !(x0 <= width)) {  // also catches NaN
    last = -1;
    return;
  }
  first = std::max(first, static_cast<int>(std::max(0.0, std::floor(x0) - 1)));
  last =
      std::min(last, static_cast<int>(std::min(static_cast<double>(width - 1), std::ceil(x1) + 1)));
}

template <int N>
inline void FillBackground(std::uint8_t* d, int count, const std::uint8_t* bg) {
  if (count <= 0) return;
  if (bg[0] == 0 && bg[1] == 0 && bg[2] == 0 && bg[3] == 0) {
    std::memset(d, 0, static_cast<size_t>(count) * N);
    return;
  }
  for (int i = 0; i < count; ++i, d += N) std::memcpy(d, bg, N);
}

// Works in tiles: a small block of the destination reads a small block of the source, where a
// whole destination row would cross thousands of source rows and pages. Each row first finds
// the span that can reach the source and fills the rest with the background at once.
template <int N, bool Lut>
void AffineRows(Bitmap& dst, const AffineInverse& inv, int innerW, int innerH,
                const std::int32_t* columns, const std::uint8_t* const* srcRows, std::uint32_t bg,
                const ColourTables* lut, int ox, int oy, int y0, int y1) {
  constexpr int kTileWidth = 128, kTileHeight = 32;
  const int w = dst.Width();
  std::uint8_t bgBytes[4];
  std::memcpy(bgBytes, &bg, 4);
  for (int ty = y0; ty < y1; ty += kTileHeight) {
    const int tyEnd = std::min(y1, ty + kTileHeight);
    for (int tx = 0; tx < w; tx += kTileWidth) {
      const int txEnd = std::min(w, tx + kTileWidth);
      for (int y = ty; y < tyEnd; ++y) {
        std::uint8_t* row = dst.Row(y);
        // Destination pixel x of this row is pixel (ox + x, Y) of the whole transformed image.
        const int Y = oy + y;
        const double bx = static_cast<double>(Y) * inv.i12 + inv.tx + ox * inv.i11;
        const double by = static_cast<double>(Y) * inv.i22 + inv.ty + ox * inv.i21;
        int first = 0, last = w - 1;
        InsideSpan(inv.i11, bx, innerW, w, first, last);
        if (last >= first) InsideSpan(inv.i21, by, innerH, w, first, last);
        const int a = std::max(tx, first), b = std::min(txEnd - 1, last);
        if (a > b) {
          FillBackground<N>(row + std::int64_t{tx} * N, txEnd - tx, bgBytes);
          continue;
        }
        FillBackground<N>(row + std::int64_t{tx} * N, a - tx, bgBytes);
        FillBackground<N>(row + std::int64_t{b + 1} * N, txEnd - 1 - b, bgBytes);
        std::uint8_t* d = row + std::int64_t{a} * N;
        // Positions in 32.32 fixed point, half a pixel added so that the integer part is the
        // rounded index except at ties; within one tile the steps add up to far less than the
        // margin, and near a tie the exact rule decides.
        constexpr double kOne = 4294967296.0;
        constexpr std::uint32_t kMargin = 1u << 22;  // 1/1024 of a pixel
        const std::int64_t du = std::llround(inv.i11 * kOne), dv = std::llround(inv.i21 * kOne);
        std::int64_t uf = std::llround((a * inv.i11 + bx + 0.5) * kOne);
        std::int64_t vf = std::llround((a * inv.i21 + by + 0.5) * kOne);
        for (int x = a; x <= b; ++x, d += N, uf += du, vf += dv) {
          std::int32_t u = static_cast<std::int32_t>(uf >> 32);
          std::int32_t v = static_cast<std::int32_t>(vf >> 32);
          if (static_cast<std::uint32_t>(static_cast<std::uint32_t>(uf) + kMargin) < 2 * kMargin)
            u = AffineIndex(ox + x, Y, inv.i11, inv.i12, inv.tx);
          if (static_cast<std::uint32_t>(static_cast<std::uint32_t>(vf) + kMargin) < 2 * kMargin)
            v = AffineIndex(ox + x, Y, inv.i21, inv.i22, inv.ty);
          if (static_cast<std::uint32_t>(u) < static_cast<std::uint32_t>(innerW) &&
              static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(innerH))
            CopyPixel<N, Lut>(d, srcRows[v] + std::int64_t{columns[u]} * N, lut);
          else
            std::memcpy(d, bgBytes, N);
        }
      }
    }
  }
}

void SubByteAffine(Bitmap& dst, const AffineInverse& inv, int innerW, int innerH,
                   const std::int32_t* columns, const std::uint8_t* const* srcRows,
                   std::uint32_t bg, int bpp, int ox, int oy) {
  for (int y = 0; y < dst.Height(); ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < dst.Width(); ++x) {
      const std::int32_t u = AffineIndex(ox + x, oy + y, inv.i11, inv.i12, inv.tx);
      const std::int32_t v = AffineIndex(ox + x, oy + y, inv.i21, inv.i22, inv.ty);
      const bool inside = static_cast<std::uint32_t>(u) < static_cast<std::uint32_t>(innerW) &&
                          static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(innerH);
      SetSub(d, x, bpp, inside ? GetSub(srcRows[v], columns[u], bpp) : bg);
    }
  }
}

template <int N, bool Lut>
void Affine(Bitmap& dst, const AffineInverse& inv, int innerW, int innerH,
            const std::int32_t* columns, const std::uint8_t* const* srcRows, std::uint32_t bg,
            const ColourTables* lut, int ox, int oy) {
  ParallelRows(dst.Height(), std::int64_t{dst.Width()} * dst.Height(), [&](int y0, int y1) {
    AffineRows<N, Lut>(dst, inv, innerW, innerH, columns, srcRows, bg, lut, ox, oy, y0, y1);
  });
}

}  // namespace

void CheckAffineRange(const AffineInverse& inv, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const std::int32_t xs[2] = {0, width - 1}, ys[2] = {0, height - 1};
  for (std::int32_t x : xs)
    for (std::int32_t y : ys)
      if (!AffineFits(x, y, inv.i11, inv.i12, inv.tx) ||
          !AffineFits(x, y, inv.i21, inv.i22, inv.ty))
        throw ImagingError("回転・変形の元画像の位置が整数の範囲を越えました");
}

void MapAffine(const Bitmap& src, Bitmap& dst, const AffineInverse& inv, int innerW, int innerH,
               const std::int32_t* columns, const std::int32_t* rows, std::uint32_t bg,
               const ColourTables* lut, int originX, int originY) {
  std::vector<const std::uint8_t*> srcRows(static_cast<size_t>(std::max(innerH, 0)));
  for (int v = 0; v < innerH; ++v) srcRows[v] = src.Row(rows[v]);
  const auto* sr = srcRows.data();
  const int ox = originX, oy = originY;
  switch (src.BitsPerPixel()) {
    case 8:
      return Affine<1, false>(dst, inv, innerW, innerH, columns, sr, bg, nullptr, ox, oy);
    case 16:
      return Affine<2, false>(dst, inv, innerW, innerH, columns, sr, bg, nullptr, ox, oy);
    case 24:
      if (lut != nullptr)
        return Affine<3, true>(dst, inv, innerW, innerH, columns, sr, bg, lut, ox, oy);
      return Affine<3, false>(dst, inv, innerW, innerH, columns, sr, bg, nullptr, ox, oy);
    case 32:
      return Affine<4, false>(dst, inv, innerW, innerH, columns, sr, bg, nullptr, ox, oy);
    default:
      return SubByteAffine(dst, inv, innerW, innerH, columns, sr, bg, src.BitsPerPixel(), ox, oy);
  }
}

void MapAffineAt(const Bitmap& src, Bitmap& dst, const AffineInverse& inv, int innerW, int innerH,
                 const std::int32_t* columns, const std::int32_t* rows, const std::int32_t* xs,
                 const std::int32_t* ys, std::uint32_t bg) {
  const int bpp = src.BitsPerPixel();
  const int n = bpp / 8;
  ParallelRows(dst.Height(), std::int64_t{dst.Width()} * dst.Height() * 8, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* d = dst.Row(y);
      for (int x = 0; x < dst.Width(); ++x) {
        const std::int32_t u = AffineIndex(xs[x], ys[y], inv.i11, inv.i12, inv.tx);
        const std::int32_t v = AffineIndex(xs[x], ys[y], inv.i21, inv.i22, inv.ty);
        const bool inside = static_cast<std::uint32_t>(u) < static_cast<std::uint32_t>(innerW) &&
                            static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(innerH);
        if (bpp < 8)
          SetSub(d, x, bpp, inside ? GetSub(src.Row(rows[v]), columns[u], bpp) : bg);
        else if (inside)
          std::memcpy(d + std::int64_t{x} * n, src.Row(rows[v]) + std::int64_t{columns[u]} * n, n);
        else
          std::memcpy(d + std::int64_t{x} * n, &bg, n);
      }
    }
  });
}

void AffineInsideRuns(const AffineInverse& inv, int innerW, int innerH, const std::int32_t* xs,
                      int count, const std::int32_t* ys, int rows,
                      std::vector<std::int32_t>& runs) {
  runs.assign(static_cast<size_t>(std::max(rows, 0)) * 2, 0);
  if (count <= 0) return;
  ParallelRows(rows, std::int64_t{rows} * 64, [&](int y0, int y1) {
    for (int j = y0; j < y1; ++j) {
      const std::int32_t y = ys[j];
      // Each bound is monotone along the row: true on a prefix, a suffix, all or nothing.
      auto trueRun = [&](auto holds, int& first, int& end) {
        const bool a = holds(0), b = holds(count - 1);
        if (a == b) {
          first = 0;
          end = a ? count : 0;
          return;
        }
        int lo = 0, hi = count - 1;  // holds(lo) == a, holds(hi) == b
        while (hi - lo > 1) {
          const int mid = lo + (hi - lo) / 2;
          (holds(mid) == a ? lo : hi) = mid;
        }
        if (a)
          first = 0, end = lo + 1;
        else
          first = hi, end = count;
      };
      auto u = [&](int i) { return AffineIndex(xs[i], y, inv.i11, inv.i12, inv.tx); };
      auto v = [&](int i) { return AffineIndex(xs[i], y, inv.i21, inv.i22, inv.ty); };
      int first = 0, end = count, f, e;
      trueRun([&](int i) { return u(i) >= 0; }, f, e), first = std::max(first, f),
                                                       end = std::min(end, e);
      trueRun([&](int i) { return u(i) < innerW; }, f, e), first = std::max(first, f),
                                                           end = std::min(end, e);
      trueRun([&](int i) { return v(i) >= 0; }, f, e), first = std::max(first, f),
                                                       end = std::min(end, e);
      trueRun([&](int i) { return v(i) < innerH; }, f, e), first = std::max(first, f),
                                                           end = std::min(end, e);
      if (end < first) end = first;
      runs[2 * j] = first;
      runs[2 * j + 1] = end;
    }
  });
}

WordTables MakeWordTables(const ColourTables& t) {
  WordTables w;
  for (int v = 0; v < 256; ++v) {
    w.blue[v] = 0xFF000000u | t.blue[v];
    w.green[v] = std::uint32_t{t.green[v]} << 8;
    w.red[v] = std::uint32_t{t.red[v]} << 16;
  }
  w.sameChannels = std::memcmp(t.blue, t.green, 256) == 0 && std::memcmp(t.blue, t.red, 256) == 0;
  return w;
}

const ColourTables& IdentityTables() {
  static const ColourTables identity = [] {
    ColourTables t;
    for (int v = 0; v < 256; ++v) t.blue[v] = t.green[v] = t.red[v] = static_cast<std::uint8_t>(v);
    return t;
  }();
  return identity;
}

namespace {

void BgrToWordsScalar(const std::uint8_t* __restrict s, std::uint32_t* __restrict d, int count,
                      const WordTables& w) {
  for (int i = 0; i < count; ++i, s += 3) d[i] = w.blue[s[0]] | w.green[s[1]] | w.red[s[2]];
}

#if defined(__x86_64__) && defined(__GNUC__)
#define ZELKO_BYTE_PERMUTE 1

// A 256-entry byte table looked up for 64 bytes at once: two permutes over 128 entries each,
// the index's top bit choosing between them.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i Lookup(const __m512i* t,
                                                                             __m512i v) {
  const __m512i low = _mm512_permutex2var_epi8(t[0], v, t[1]);
  const __m512i high = _mm512_permutex2var_epi8(t[2], v, t[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void BgrToWordsPermute(const std::uint8_t* s,
                                                                              std::uint32_t* d,
                                                                              int count,
                                                                              const ColourTables& t,
                                                                              const WordTables& w) {
  __m512i blue[4], green[4], red[4];
  for (int k = 0; k < 4; ++k) {
    blue[k] = _mm512_loadu_si512(t.blue + 64 * k);
    green[k] = _mm512_loadu_si512(t.green + 64 * k);
    red[k] = _mm512_loadu_si512(t.red + 64 * k);
  }
  // Output byte 4k + c is input byte 3k + c; the fourth byte of a word becomes 0xFF.
  alignas(64) std::uint8_t spread[64];
  for (int k = 0; k < 16; ++k)
    for (int c = 0; c < 4; ++c)
      spread[4 * k + c] = static_cast<std::uint8_t>(3 * k + (c < 3 ? c : 2));
  const __m512i widen = _mm512_load_si512(spread);
  const __mmask64 greens = 0x2222222222222222ull, reds = 0x4444444444444444ull;
  const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  if (w.sameChannels) {
    // One look-up for the three channels, before the pixels are spread into words.
    for (; i + 16 <= count; i += 16) {
      const __m512i in = _mm512_maskz_loadu_epi8(0x0000FFFFFFFFFFFFull, s + 3 * std::int64_t{i});
      const __m512i px = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, widen, Lookup(blue, in));
      _mm512_storeu_si512(d + i, _mm512_or_si512(px, alpha));
    }
  }
  for (; i + 16 <= count; i += 16) {
    // 48 bytes, 16 pixels; the masked load reads nothing past them.
    const __m512i in = _mm512_maskz_loadu_epi8(0x0000FFFFFFFFFFFFull, s + 3 * std::int64_t{i});
    const __m512i px = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, widen, in);
    __m512i out = Lookup(blue, px);
    out = _mm512_mask_blend_epi8(greens, out, Lookup(green, px));
    out = _mm512_mask_blend_epi8(reds, out, Lookup(red, px));
    _mm512_storeu_si512(d + i, _mm512_or_si512(out, alpha));
  }
  BgrToWordsScalar(s + 3 * std::int64_t{i}, d + i, count - i, w);
}

bool HasBytePermute() {
  // ZELKO_NO_BYTE_PERMUTE: the plain path, which most processors take, is tested here too.
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi") &&
                          std::getenv("ZELKO_NO_BYTE_PERMUTE") == nullptr;
  return has;
}
#endif

}  // namespace

void BgrToWords(const std::uint8_t* src, std::uint32_t* dst, int count, const ColourTables& tables,
                const WordTables& words) {
#ifdef ZELKO_BYTE_PERMUTE
  if (count >= 16 && HasBytePermute()) return BgrToWordsPermute(src, dst, count, tables, words);
#endif
  BgrToWordsScalar(src, dst, count, words);
}

void ApplyColourTables(const Bitmap& src, Bitmap& dst, const ColourTables& t,
                       const std::vector<std::int32_t>* runs) {
  const int w = src.Width();
  ParallelRows(src.Height(), std::int64_t{w} * src.Height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* s = src.Row(y);
      std::uint8_t* d = dst.Row(y);
      int first = 0, end = w;
      if (runs != nullptr) first = (*runs)[2 * y], end = (*runs)[2 * y + 1];
      if (d != s) {
        std::memcpy(d, s, static_cast<size_t>(first) * 3);
        std::memcpy(d + std::int64_t{end} * 3, s + std::int64_t{end} * 3,
                    static_cast<size_t>(w - end) * 3);
      }
      s += std::int64_t{first} * 3;
      d += std::int64_t{first} * 3;
      for (int x = first; x < end; ++x, s += 3, d += 3) {
        d[0] = t.blue[s[0]];
        d[1] = t.green[s[1]];
        d[2] = t.red[s[2]];
      }
    }
  });
}

}  // namespace zelko::kernels
