// Speed of the image engine on photograph-sized images made here: the working-image rebuild a
// slider step costs, JPEG loading against libjpeg's own decode, PNG and TIFF opening from the
// mapped file against a copy read first, and peak memory of a rebuild.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bitmap_ops.h"
#include "imaging/image_file.h"
#include "imaging/image_formats.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_image.h"
#include "synthetic_photo.h"

namespace {

using namespace zelko;

using bench::SyntheticPhoto;

const Bitmap& Photo24() {
  static const Bitmap photo = SyntheticPhoto(6000, 4000);
  return photo;
}

WorkingImageSettings Adjusted(double factor, float angle) {
  WorkingImageSettings s;
  s.contrast = true;
  s.strength = 0.6;
  s.adjustRgb = true;
  s.offsetR = 10;
  s.offsetG = -20;
  s.offsetB = 5;
  s.factor = factor;
  s.rotationAngle = angle;
  return s;
}

std::uint64_t PeakResident() { return ReadMemoryStatus().processPeakResident; }

void ResetPeakResident() {
  // Writing 5 to clear_refs resets the process's peak resident size.
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Peak memory of a first rebuild of a 40-megapixel photo at the largest scale, rotated.
void BM_PeakMemory40MpRebuild(benchmark::State& state) {
  const Bitmap original = SyntheticPhoto(7746, 5164);
  const double fmax = MaxFactor(original.Width(), original.Height(), 30);
  double ratio = 0, peakMb = 0, workingMb = 0;
  for (auto _ : state) {
    WorkingImage out;
    ResetPeakResident();
    const BuildResult r = BuildWorkingImage(original, Adjusted(fmax, 30), out);
    if (!r.ok) state.SkipWithError(r.error.c_str());
    const double peak = static_cast<double>(PeakResident());
    workingMb = static_cast<double>(out.image.ByteSize()) / 1e6;
    peakMb = peak / 1e6;
    ratio = peak / static_cast<double>(out.image.ByteSize());
  }
  state.counters["peak_MB"] = peakMb;
  state.counters["working_MB"] = workingMb;
  state.counters["peak_per_working"] = ratio;
}
BENCHMARK(BM_PeakMemory40MpRebuild)->Unit(benchmark::kMillisecond)->Iterations(1);

void RunBuild(benchmark::State& state, double factor, float angle) {
  const Bitmap& original = Photo24();
  WorkingImage out;  // kept between iterations, as the window keeps it between slider steps
  const WorkingImageSettings s = Adjusted(factor, angle);
  BuildWorkingImage(original, s, out);
  for (auto _ : state) {
    const BuildResult r = BuildWorkingImage(original, s, out);
    if (!r.ok) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(out.image.Bits());
  }
  state.counters["out_MP"] = static_cast<double>(out.image.Width()) * out.image.Height() / 1e6;
}

void BM_Build_Factor1_Angle30(benchmark::State& state) { RunBuild(state, 1, 30); }
void BM_Build_Factor025_Angle0(benchmark::State& state) { RunBuild(state, 0.25, 0); }
void BM_Build_Factor1_Angle90(benchmark::State& state) { RunBuild(state, 1, 90); }
void BM_Build_Factor1_Angle0(benchmark::State& state) { RunBuild(state, 1, 0); }
BENCHMARK(BM_Build_Factor1_Angle30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Build_Factor025_Angle0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Build_Factor1_Angle90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Build_Factor1_Angle0)->Unit(benchmark::kMillisecond)->UseRealTime();

// A rebuild whose size changed (a zoom step): new buffers, page faults included.
void BM_Build_Factor1_Angle30_FreshBuffers(benchmark::State& state) {
  const Bitmap& original = Photo24();
  for (auto _ : state) {
    WorkingImage out;
    BuildWorkingImage(original, Adjusted(1, 30), out);
    benchmark::DoNotOptimize(out.image.Bits());
  }
}
BENCHMARK(BM_Build_Factor1_Angle30_FreshBuffers)->Unit(benchmark::kMillisecond)->UseRealTime();

// The separate operations on their own, each making a new bitmap.
void BM_Op_AdjustColor(benchmark::State& state) {
  Bitmap b = Photo24();
  for (auto _ : state) benchmark::DoNotOptimize(AdjustColor(b, true, true, 0.6, 10, -20, 5));
}
void BM_Op_Resize025(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ResizeBitmap(Photo24(), 1500, 1000));
}
BENCHMARK(BM_Op_AdjustColor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Op_Resize025)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::string& JpegPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/zelko_bench_24mp.jpg";
    if (!WriteImageFileAtomically(p, EncodeJpeg(Photo24(), 90))) std::abort();
    return p;
  }();
  return path;
}

void BM_LoadImageFile_Jpeg24Mp(benchmark::State& state) {
  const std::string& path = JpegPath();
  for (auto _ : state) {
    Bitmap b = LoadImageFile(path);
    benchmark::DoNotOptimize(b.Bits());
  }
}
BENCHMARK(BM_LoadImageFile_Jpeg24Mp)->Unit(benchmark::kMillisecond)->UseRealTime();

// The 24-megapixel photo as an 8-bit RGB PNG (default compression) and an LZW TIFF in strips
// of 16 rows, as cameras' and scanners' software write them.
const std::string& PngPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/zelko_bench_24mp.png";
    FILE* f = std::fopen(p.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    const Bitmap& b = Photo24();
    png_set_IHDR(png, info, b.Width(), b.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);  // the bitmap's rows are blue, green, red
    for (int y = 0; y < b.Height(); ++y) png_write_row(png, b.Row(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return p;
  }();
  return path;
}

const std::string& TiffPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/zelko_bench_24mp_lzw.tif";
    TIFF* t = TIFFOpen(p.c_str(), "w");
    const Bitmap& b = Photo24();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, b.Width());
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, b.Height());
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(b.Width()) * 3);
    for (int y = 0; y < b.Height(); ++y) {
      for (int x = 0; x < b.Width(); ++x)
        for (int c = 0; c < 3; ++c) row[3 * x + c] = b.Row(y)[3 * x + 2 - c];
      TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(t);
    return p;
  }();
  return path;
}

// As files were opened before they were mapped: the whole file read into a buffer of its own.
void OpenFromCopy(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const std::vector<std::uint8_t> bytes = ReadImageFileBytes(path, std::uint64_t{1} << 33);
    DecodedImage d = DecodeImageBytes(bytes.data(), bytes.size(), path, DecodeLimits{});
    benchmark::DoNotOptimize(d.bitmap.Bits());
  }
}

void OpenMapped(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    Bitmap b = LoadImageFile(path);
    benchmark::DoNotOptimize(b.Bits());
  }
}

void BM_OpenPng24Mp_Copied(benchmark::State& state) { OpenFromCopy(state, PngPath()); }
void BM_OpenPng24Mp_Mapped(benchmark::State& state) { OpenMapped(state, PngPath()); }
void BM_OpenLzwTiff24Mp_Copied(benchmark::State& state) { OpenFromCopy(state, TiffPath()); }
void BM_OpenLzwTiff24Mp_Mapped(benchmark::State& state) { OpenMapped(state, TiffPath()); }
BENCHMARK(BM_OpenPng24Mp_Copied)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPng24Mp_Mapped)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenLzwTiff24Mp_Copied)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenLzwTiff24Mp_Mapped)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg alone: read the file, decode to RGB into a buffer of its own, nothing else.
void BM_LibjpegPlainDecode24Mp(benchmark::State& state) {
  const std::string& path = JpegPath();
  for (auto _ : state) {
    const std::vector<std::uint8_t> bytes = ReadImageFileBytes(path);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    auto* pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels + stride * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels);
    std::free(pixels);
  }
}
BENCHMARK(BM_LibjpegPlainDecode24Mp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
