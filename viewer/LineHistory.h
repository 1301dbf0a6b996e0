#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

struct LineFrame;

// The newest lines at full resolution, for measuring what the image shows: a ring the intake
// thread writes and a measurement copies out. Any thread.
class LineHistory
{
public:
    explicit LineHistory(int capacity = 4096);

    // Appends the frame's lines; a frame of another width starts the history afresh.
    void add(const LineFrame& frame);
    void clear();

    struct Image
    {
        int width = 0;
        int lines = 0;
        std::vector<uint8_t> pixels; // oldest line first
    };
    Image snapshot() const;

private:
    const int m_capacity;
    // Guards everything below.
    mutable std::mutex m_mutex;
    int m_width = 0;
    int m_next = 0;  // the ring's line written next
    int m_count = 0; // lines held
    std::vector<uint8_t> m_ring;
};
