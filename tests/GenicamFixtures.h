#pragma once

#include "GenicamCamera.h"
#include "GenicamWorker.h"
#include "RecordingObserver.h"
#include "TovrikFeature.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

// Aravis's in-process fake camera running the TL-4K description, just powered up.
class GenicamFakeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        camera = GenicamCamera::openFake("40123-0042", &error);
        ASSERT_TRUE(camera) << error;
#if LINETRIGGER_SANITIZE
        // Sanitizers slow Aravis's fake past the one second an operator action may wait in all;
        // these tests read whole camera states at once, and the bound is the optimised build's.
        camera->worker().executor().setBound(std::chrono::seconds(30));
#endif
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
    void set(const std::string& feature, const std::string& value)
    {
        std::string error;
        ASSERT_EQ(camera->writeSettings({{feature, value}}, &error), 0) << error;
    }

    void compareWithTheSimulatedCamera(bool numbersOnly);

    std::shared_ptr<GenicamCamera> camera;
};
