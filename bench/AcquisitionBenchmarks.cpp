#include "CircleTarget.h"
#include "LineFrame.h"
#include "LineHistory.h"
#include "LiveView.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"

#include "Waterfall.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr int width = 4096;
constexpr int height = 1024;

// The simulated camera at its top line rate, 4096 pixels, a consumer taking every frame: the cost
// of one line, the camera's trigger logic, its chart and the hand-over of frames included.
void BM_SimulatedLines(benchmark::State& state)
{
    const bool encoder = state.range(0) != 0;
    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    SimAcquisition& acquisition = camera->acquisition();
    camera->write("ExposureTime", "10");
    camera->write("AcquisitionLineRate", "80000");
    if (encoder) {
        // 80000 lines/s from the encoder: 10 lines a mm at 8 m/s.
        camera->write("TriggerMode", "On", "LineStart");
        camera->write("TriggerSource", "Encoder0", "LineStart");
        camera->write("EncoderSourceB", "Line2");
        acquisition.setBeltSpeed(8000.0);
    }
    uint64_t checksum = 0;
    acquisition.setFrameListener([&acquisition, &checksum] {
        while (std::shared_ptr<const LineFrame> frame = acquisition.takeFrame())
            checksum += frame->pixels[width / 2];
    });
    camera->write("AcquisitionStart", "1");
    acquisition.advance(std::chrono::milliseconds(100)); // the chart's rows drawn once
    const uint64_t before = acquisition.statistics().lines;
    for (auto _ : state)
        acquisition.advance(std::chrono::milliseconds(10));
    const uint64_t lines = acquisition.statistics().lines - before;
    state.SetItemsProcessed(static_cast<int64_t>(lines));
    state.counters["dropped"] = static_cast<double>(acquisition.statistics().droppedFrames);
    benchmark::DoNotOptimize(checksum);
}
BENCHMARK(BM_SimulatedLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The reference: a line's bytes copied plainly into a frame-sized buffer used again and again, as
// the camera's frames are; 800 lines an iteration as 10 ms at the top line rate.
void BM_PlainCopyOfLines(benchmark::State& state)
{
    std::vector<uint8_t> source(width, 128);
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height);
    size_t line = 0;
    for (auto _ : state) {
        for (int i = 0; i < 800; ++i) {
            std::memcpy(frame.data() + line * width, source.data(), width);
            line = (line + 1) % height;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 800);
}
BENCHMARK(BM_PlainCopyOfLines)->Unit(benchmark::kMicrosecond);

// Taking in and showing lines as the viewer does: 1333 lines of 4096 pixels at a time (a 60th of a
// second at 80 kHz) folded into the waterfall, then one refresh and one paint of the live view.
void BM_TakeInAndDisplayLines(benchmark::State& state)
{
    constexpr int batch = 1333;
    LineFrame frame;
    frame.reset(width, batch);
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = static_cast<uint8_t>(i * 7 % 251);
    frame.lines = batch;
    Waterfall waterfall;
    LiveView view(waterfall);
    view.resize(640, 480);
    view.show();
    for (auto _ : state) {
        waterfall.add(frame);
        view.refresh();
        view.repaint();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * batch);
}
BENCHMARK(BM_TakeInAndDisplayLines)->Unit(benchmark::kMicrosecond);

// Its reference: the same lines' bytes copied plainly into a frame buffer.
void BM_PlainCopyOfABatch(benchmark::State& state)
{
    constexpr int batch = 1333;
    std::vector<uint8_t> source(static_cast<size_t>(width) * batch, 128);
    std::vector<uint8_t> frame(source.size());
    for (auto _ : state) {
        std::memcpy(frame.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * batch);
}
BENCHMARK(BM_PlainCopyOfABatch)->Unit(benchmark::kMicrosecond);

// The history's full view, 4096 lines of 4096 pixels of the chart at stretch 1.
LineHistory::Image chartView()
{
    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    camera->write("AcquisitionLineRate", "2500");
    LineHistory history;
    camera->acquisition().setFrameListener([&camera, &history] {
        while (std::shared_ptr<const LineFrame> frame = camera->acquisition().takeFrame())
            history.add(*frame);
    });
    camera->write("AcquisitionStart", "1");
    camera->acquisition().advance(std::chrono::milliseconds(1700));
    camera->acquisition().setFrameListener(nullptr);
    return history.snapshot();
}

// Measuring the stretch from the circles in the whole history, as the live view does once a second
// on a pooled thread.
void BM_StretchFromImage(benchmark::State& state)
{
    const LineHistory::Image image = chartView();
    for (auto _ : state)
        benchmark::DoNotOptimize(CircleTarget::measure(image.pixels.data(), image.width, image.lines));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * image.lines);
}
BENCHMARK(BM_StretchFromImage)->Unit(benchmark::kMillisecond);

// Its reference: the history's snapshot, one copy of the same image.
void BM_HistorySnapshot(benchmark::State& state)
{
    const LineHistory::Image image = chartView();
    LineHistory history;
    LineFrame frame;
    frame.reset(image.width, image.lines);
    std::memcpy(frame.pixels.data(), image.pixels.data(), image.pixels.size());
    frame.lines = image.lines;
    history.add(frame);
    for (auto _ : state)
        benchmark::DoNotOptimize(history.snapshot());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * image.lines);
}
BENCHMARK(BM_HistorySnapshot)->Unit(benchmark::kMillisecond);

} // namespace
