#pragma once

#include "GenicamCamera.h"
#include "TovrikFeature.h"
#include "TovrikFeatureObserverInterface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Aravis's in-process fake camera running the TL-4K description, just powered up.
class GenicamFakeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        camera = GenicamCamera::openFake("40123-0042", &error);
        ASSERT_TRUE(camera) << error;
    }

    std::shared_ptr<Tovrik::Feature> handle(const std::string& name) const
    {
        auto feature = camera->feature(name);
        EXPECT_TRUE(feature) << name;
        return feature;
    }
    uint32_t reg(uint64_t address) const
    {
        uint32_t value = 0xdeadbeef;
        EXPECT_EQ(camera->readRegister(address, &value), 0) << std::hex << address;
        return value;
    }
    // A big-endian IEEE double over two registers.
    double doubleReg(uint64_t address) const
    {
        const uint64_t bits = (uint64_t{reg(address)} << 32) | reg(address + 4);
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void set(const std::string& feature, const std::string& value)
    {
        std::string error;
        ASSERT_EQ(camera->writeSettings({{feature, value}}, &error), 0) << error;
    }

    std::shared_ptr<GenicamCamera> camera;
};

// Counts featureUpdated calls and remembers the names and threads they came with.
class RecordingObserver : public Tovrik::FeatureObserverInterface
{
public:
    void featureUpdated(std::shared_ptr<Tovrik::Feature>& feature) override
    {
        std::string name;
        if (feature)
            feature->getName(name);
        std::lock_guard<std::mutex> lock(mutex);
        names.push_back(name);
        threads.push_back(std::this_thread::get_id());
        if (onUpdate)
            onUpdate(feature);
    }
    std::vector<std::string> takeNames()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> result;
        result.swap(names);
        return result;
    }

    std::mutex mutex;
    std::vector<std::string> names;
    std::vector<std::thread::id> threads;
    std::function<void(const std::shared_ptr<Tovrik::Feature>&)> onUpdate;
};
