#include "SimCameraBuilder.h"

#include "FeatureName.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "TovrikFeature.h"

#include <algorithm>

namespace {

constexpr auto number = &SimFeatureDefinition::number;
constexpr auto enumeration = &SimFeatureDefinition::enumeration;

std::vector<SimEntry> lineEntries(bool withOff)
{
    std::vector<SimEntry> entries;
    if (withOff)
        entries.push_back({"Off", "Disables the input.", true});
    entries.push_back({"Line1", "Line 1, differential (RS422) input on I/O pins 1 and 6.", true});
    entries.push_back({"Line2", "Line 2, differential (RS422) input on I/O pins 2 and 7.", true});
    entries.push_back({"Line3", "Line 3, single-ended (LVCMOS) input on I/O pin 3.", true});
    entries.push_back({"Line4", "Line 4, single-ended (LVCMOS) input on I/O pin 8.", true});
    return entries;
}

// The device's identity and its master/slave mode.
void addDevice(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    builder.add(number(FeatureName::DeviceVendorName, FeatureTypeString, 0, 0, 0,
                       "Tovrik Imaging (simulated)", "Name of the manufacturer of the device."));
    builder.add(number(FeatureName::DeviceModelName, FeatureTypeString, 0, 0, 0, "TL-4K line-scan camera",
                       "Model of the device."));
    builder.add(number(FeatureName::DeviceSerialNumber, FeatureTypeString, 0, 0, 0, "40123-0042",
                       "Serial number of the device."));
    builder.add(number(FeatureName::DeviceFirmwareVersion, FeatureTypeString, 0, 0, 0, "2.4.1",
                       "Version of the firmware in the device."));
    builder.setWritable(FeatureName::DeviceVendorName, false)
        .setWritable(FeatureName::DeviceModelName, false)
        .setWritable(FeatureName::DeviceSerialNumber, false)
        .setWritable(FeatureName::DeviceFirmwareVersion, false);

    builder.add(enumeration(
        FeatureName::MasterSlaveMode,
        {{"Master", "The camera runs on its own and may drive other cameras.", true},
         {"Slave", "The camera follows a master camera; its trigger is set by the master.", true}},
        "Master", "Selects whether the camera runs as master or follows a master camera."));
}

// The image's shape and format.
void addImage(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    builder.add(number(FeatureName::Width, FeatureTypeInteger, 16, 4096, 16, "4096",
                       "Width of the image in pixels: the pixels of each line."));
    builder.add(number(FeatureName::Height, FeatureTypeInteger, 1, 16384, 1, "1024",
                       "Height of the image in lines: a frame of a line-scan camera is this many lines."));
    builder.add(enumeration(FeatureName::PixelFormat, {{"Mono8", "Monochrome, 8 bits per pixel.", true}},
                            "Mono8", "Format of the pixels provided by the device."));
    builder.add(number(FeatureName::PayloadSize, FeatureTypeInteger, 0, 4096.0 * 16384.0, 1, "0",
                       "Bytes of one frame as the camera sends it."));
    builder.setWritable(FeatureName::PayloadSize, false);
}

// Acquisition, its line rate and exposure.
void addAcquisition(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    builder.add(number(FeatureName::AcquisitionStart, FeatureTypeCommand, 0, 0, 0, "",
                       "Starts the acquisition of the device."));
    builder.add(number(FeatureName::AcquisitionStop, FeatureTypeCommand, 0, 0, 0, "",
                       "Stops the acquisition of the device at the end of the current line; a partly filled "
                       "frame is sent as it is."));
    builder.add(number(FeatureName::AcquisitionLineRate, FeatureTypeFloat, 100.0, 80000.0, 0.5, "10000",
                       "Line rate in lines per second at which lines are captured when the line trigger is "
                       "generated internally."));
    builder.add(number(FeatureName::ExposureTime, FeatureTypeFloat, 2.0, 1000000.0, 0.1, "50",
                       "Exposure time in microseconds. Limited by the line period."));
}

// The triggers and the count of those missed.
void addTriggers(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    builder.add(
        enumeration(FeatureName::TriggerSelector,
                    {{"LineStart", "Selects the trigger that starts the capture of one line.", true},
                     {"FrameStart", "Selects the trigger that starts the capture of one frame.", true}},
                    "LineStart", "Selects the type of trigger to configure."));
    SimFeatureDefinition triggerMode =
        enumeration(FeatureName::TriggerMode,
                    {{"Off", "The selected trigger is generated internally.", true},
                     {"On", "The selected trigger comes from the trigger source.", true}},
                    "Off", "Controls whether the selected trigger is active.");
    SimFeatureDefinition triggerSource = enumeration(
        FeatureName::TriggerSource,
        {{"Line1", "Physical line 1 (I/O pins 1, 6).", true},
         {"Line2", "Physical line 2 (I/O pins 2, 7).", true},
         {"Line3", "Physical line 3 (I/O pin 3).", true},
         {"Line4", "Physical line 4 (I/O pin 8).", true},
         {"Encoder0", "The output of encoder module 0.", true},
         {"Software", "A software trigger command.", true},
         {"Action0", "A scheduled action command.", false}},
        "Line1", "Specifies the internal signal or physical input line to use as the trigger source.");
    triggerSource.initial["FrameStart"] = "Software";
    SimFeatureDefinition triggerActivation =
        enumeration(FeatureName::TriggerActivation,
                    {{"RisingEdge", "The trigger is considered valid on the rising edge.", true},
                     {"FallingEdge", "The trigger is considered valid on the falling edge.", true},
                     {"AnyEdge", "The trigger is considered valid on either edge.", true},
                     {"LevelHigh", "The trigger is valid as long as the level is high.", true},
                     {"LevelLow", "The trigger is valid as long as the level is low.", true}},
                    "RisingEdge", "Specifies the activation mode of the trigger.");
    SimFeatureDefinition triggerDivider =
        number(FeatureName::TriggerDivider, FeatureTypeInteger, 1, 128, 1, "1",
               "Divides the number of incoming trigger pulses by an integer factor.");
    for (SimFeatureDefinition* selected :
         {&triggerMode, &triggerSource, &triggerActivation, &triggerDivider}) {
        selected->selector = FeatureName::TriggerSelector;
        builder.add(*selected);
    }
    SimFeatureDefinition missed =
        number(FeatureName::LineTriggerMissedCount, FeatureTypeInteger, 0, 2147483647.0, 1, "0",
               "Line triggers missed since the acquisition started: they came "
               "while the previous line was still being exposed or read out.");
    missed.writable = false;
    missed.live = true;
    builder.add(missed);
}

// The encoder module.
void addEncoder(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    builder.add(enumeration(FeatureName::EncoderSelector, {{"Encoder0", "Encoder module 0.", true}},
                            "Encoder0", "Selects which encoder to configure."));
    SimFeatureDefinition sourceA =
        enumeration(FeatureName::EncoderSourceA, lineEntries(true), "Line1",
                    "Selects the signal that is the source of the A input of the encoder.");
    SimFeatureDefinition sourceB =
        enumeration(FeatureName::EncoderSourceB, lineEntries(true), "Off",
                    "Selects the signal that is the source of the B input of the encoder.");
    SimFeatureDefinition encoderMode = enumeration(
        FeatureName::EncoderMode,
        {{"FourPhase", "Counts the four phases of the A and B signals; follows direction changes.", true},
         {"HighResolution", "Counts every edge of A and B.", true}},
        "FourPhase",
        "Selects if the count of encoder uses FourPhase mode with jitter filtering or "
        "the HighResolution mode without jitter filtering.");
    SimFeatureDefinition divider =
        number(FeatureName::EncoderDividerFloat, FeatureTypeFloat, 1.0, 1024.0, 0.0, "1",
               "Number of encoder pulses needed to generate one encoder output pulse (fractional divider).");
    SimFeatureDefinition value = number(FeatureName::EncoderValue, FeatureTypeInteger, -2147483648.0,
                                        2147483647.0, 1, "0", "Current value of the encoder's counter.");
    SimFeatureDefinition status =
        enumeration(FeatureName::EncoderStatus,
                    {{"EncoderUp", "The counter last counted up.", true},
                     {"EncoderDown", "The counter last counted down.", true},
                     {"EncoderIdle", "The encoder is not active: it has no source.", true},
                     {"EncoderStatic", "The counter has not changed for half a second.", true}},
                    "EncoderIdle", "Returns the motion status of the encoder.");
    for (SimFeatureDefinition* measured : {&value, &status}) {
        measured->writable = false;
        measured->live = true;
    }
    SimFeatureDefinition reset = number(FeatureName::EncoderReset, FeatureTypeCommand, 0, 0, 0, "",
                                        "Resets the encoder's counter and the reference of its output to 0.");
    for (SimFeatureDefinition* selected :
         {&sourceA, &sourceB, &encoderMode, &divider, &value, &status, &reset}) {
        selected->selector = FeatureName::EncoderSelector;
        builder.add(*selected);
    }
}

// The lines of the I/O connector.
void addLines(SimCameraBuilder& builder)
{
    using namespace Tovrik;
    std::vector<SimEntry> lines = lineEntries(false);
    builder.add(enumeration(FeatureName::LineSelector, lines, "Line1",
                            "Selects the physical line of the I/O connector to configure."));
    SimFeatureDefinition lineMode =
        enumeration(FeatureName::LineMode,
                    {{"Input", "The line is an input.", true}, {"Output", "The line is an output.", true}},
                    "Input", "Controls whether the selected line is an input or an output.");
    lineMode.selector = FeatureName::LineSelector;
    builder.add(lineMode);
    SimFeatureDefinition inverter =
        number(FeatureName::LineInverter, FeatureTypeBoolean, 0, 0, 0, "false",
               "Controls the inversion of the signal of the selected input or output line.");
    inverter.selector = FeatureName::LineSelector;
    builder.add(inverter);
    SimFeatureDefinition lineStatus =
        number(FeatureName::LineStatus, FeatureTypeBoolean, 0, 0, 0, "false",
               "Returns the current status of the selected input or output line, after its inverter.");
    lineStatus.selector = FeatureName::LineSelector;
    SimFeatureDefinition statusAll = number(
        FeatureName::LineStatusAll, FeatureTypeInteger, 0, 15, 1, "0",
        "Returns the current status of all lines in one bit field, Line1 in bit 0, after their inverters.");
    for (SimFeatureDefinition* measured : {&lineStatus, &statusAll}) {
        measured->writable = false;
        measured->live = true;
        builder.add(*measured);
    }
}

} // namespace

SimCameraBuilder SimCameraBuilder::lineScanCamera()
{
    SimCameraBuilder builder;
    for (void (*add)(SimCameraBuilder&) :
         {addDevice, addImage, addAcquisition, addTriggers, addEncoder, addLines})
        add(builder);
    return builder;
}

SimCameraBuilder& SimCameraBuilder::add(const SimFeatureDefinition& definition)
{
    remove(definition.name);
    m_indexByName.emplace(definition.name, m_definitions.size());
    m_definitions.push_back(definition);
    return *this;
}

// Removing is rare (a variant's omissions), adding and finding are not: only removing costs a pass.
SimCameraBuilder& SimCameraBuilder::remove(const std::string& name)
{
    const auto it = m_indexByName.find(name);
    if (it == m_indexByName.end())
        return *this;
    m_definitions.erase(m_definitions.begin() + static_cast<std::ptrdiff_t>(it->second));
    reindex();
    return *this;
}

void SimCameraBuilder::reindex()
{
    m_indexByName.clear();
    for (size_t i = 0; i < m_definitions.size(); ++i)
        m_indexByName.emplace(m_definitions[i].name, i);
}

SimCameraBuilder& SimCameraBuilder::setInitial(const std::string& name, const std::string& value,
                                               const std::string& selectorEntry)
{
    if (SimFeatureDefinition* definition = find(name)) {
        if (selectorEntry.empty())
            definition->initial.clear();
        definition->initial[selectorEntry] = value;
    }
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setRange(const std::string& name, double min, double max,
                                             double increment)
{
    if (SimFeatureDefinition* definition = find(name)) {
        definition->min = min;
        definition->max = max;
        definition->increment = increment;
    }
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setAvailable(const std::string& name, bool available)
{
    if (SimFeatureDefinition* definition = find(name))
        definition->available = available;
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setWritable(const std::string& name, bool writable)
{
    if (SimFeatureDefinition* definition = find(name))
        definition->writable = writable;
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setEntryAvailable(const std::string& name, const std::string& entry,
                                                      bool available)
{
    if (SimFeatureDefinition* definition = find(name)) {
        if (SimEntry* found = definition->entry(entry))
            found->available = available;
    }
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setBench(const SimBench& bench)
{
    m_bench = bench;
    return *this;
}

SimCameraBuilder& SimCameraBuilder::setNotifyMode(SimNotifyMode mode)
{
    m_notifyMode = mode;
    return *this;
}

SimFeatureDefinition* SimCameraBuilder::find(const std::string& name)
{
    const auto it = m_indexByName.find(name);
    return it == m_indexByName.end() ? nullptr : &m_definitions[it->second];
}

std::shared_ptr<SimCamera> SimCameraBuilder::build() const
{
    std::shared_ptr<SimCamera> camera = SimCamera::create(m_definitions, m_notifyMode);
    camera->acquisition().setBench(m_bench);
    return camera;
}
