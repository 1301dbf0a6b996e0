#include "SimFeature.h"

#include "FeatureObserverRegistry.h"
#include "SimCamera.h"
#include "TovrikFeatureObserverInterface.h"
#include "TovrikStatus.h"
#include "ValueText.h"

#include <algorithm>

namespace Status = Tovrik::Status;

// The camera, locked, with the fault check of one operation done.
struct SimFeature::Access
{
    std::shared_ptr<SimCamera> camera;
    std::unique_lock<CheckedMutex> lock;
    SimCamera::State* state = nullptr;
    int status = Status::NotOpened;
};

SimFeature::Access SimFeature::enter(int operation) const
{
    Access access;
    access.camera = m_camera.lock();
    if (!access.camera)
        return access;
    access.lock = std::unique_lock<CheckedMutex>(access.camera->m_mutex);
    access.state = &access.camera->m_states[m_index];
    access.status = access.camera->fault(m_index, static_cast<SimOperation>(operation));
    return access;
}

#define SIM_ENTER(operation)                                                                                 \
    Access access = enter(static_cast<int>(SimOperation::operation));                                        \
    if (access.status != 0)                                                                                  \
        return access.status;                                                                                \
    SimCamera& camera = *access.camera;                                                                      \
    SimCamera::State& state = *access.state;                                                                 \
    (void)camera;                                                                                            \
    (void)state

std::shared_ptr<Tovrik::Feature> SimCamera::makeHandle(std::weak_ptr<SimCamera> camera, size_t index)
{
    return std::make_shared<SimFeature>(std::move(camera), index);
}

SimFeature::SimFeature(std::weak_ptr<SimCamera> camera, size_t index)
    : m_camera(std::move(camera)), m_index(index)
{}

int SimFeature::getName(std::string& name)
{
    SIM_ENTER(GetName);
    name = state.reportedName;
    return 0;
}

int SimFeature::getDescription(std::string& description)
{
    SIM_ENTER(GetDescription);
    description = state.definition.description;
    return 0;
}

int SimFeature::getEntryDescriptions(std::vector<std::string>& descriptions, int /*flag*/)
{
    SIM_ENTER(GetEntryDescriptions);
    descriptions.clear();
    for (const SimEntry& entry : state.definition.entries)
        descriptions.push_back(entry.description);
    return 0;
}

int SimFeature::getType(int* type)
{
    SIM_ENTER(GetType);
    if (!type)
        return Status::InvalidParameter;
    *type = state.definition.type;
    return 0;
}

int SimFeature::registerObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    SIM_ENTER(RegisterObserver);
    if (!observer)
        return Status::InvalidParameter;
    camera.m_observers->add(state.definition.name, state.handle, std::move(observer));
    return 0;
}

int SimFeature::unregisterObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    SIM_ENTER(UnregisterObserver);
    if (camera.m_keepObservers)
        return 0;
    return camera.m_observers->remove(state.definition.name, observer) ? 0
                                                                       : static_cast<int>(Status::NotFound);
}

int SimFeature::getValue(std::string& value)
{
    SIM_ENTER(GetValue);
    if (!state.definition.available)
        return Status::NotAvailable;
    // A command has no value to read, as on GenICam cameras.
    if (state.definition.type == Tovrik::FeatureTypeCommand)
        return Status::NotImplemented;
    value = camera.text(state, camera.current(state));
    return 0;
}

int SimFeature::getValue(bool* value)
{
    SIM_ENTER(GetValue);
    if (!value || state.definition.type != Tovrik::FeatureTypeBoolean)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    *value = camera.current(state).boolean;
    return 0;
}

int SimFeature::getValue(double* value)
{
    SIM_ENTER(GetValue);
    if (!value || state.definition.type != Tovrik::FeatureTypeFloat)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    *value = camera.current(state).number;
    return 0;
}

int SimFeature::getValue(int64_t* value)
{
    SIM_ENTER(GetValue);
    if (!value || state.definition.type != Tovrik::FeatureTypeInteger)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    *value = camera.current(state).integer;
    return 0;
}

int SimFeature::getEntries(std::vector<std::string>& entries, int /*flag*/)
{
    SIM_ENTER(GetEntries);
    if (state.definition.type != Tovrik::FeatureTypeEnumeration)
        return Status::FunctionNotAvailable;
    entries.clear();
    for (const SimEntry& entry : state.definition.entries)
        entries.push_back(entry.name);
    return 0;
}

int SimFeature::setValue(const char* value)
{
    const std::shared_ptr<SimCamera> camera = m_camera.lock();
    if (!camera)
        return Status::NotOpened;
    if (!value)
        return Status::InvalidParameter;
    return camera->sdkWrite(m_index, 0, value, nullptr);
}

int SimFeature::setValue(bool value)
{
    const std::shared_ptr<SimCamera> camera = m_camera.lock();
    if (!camera)
        return Status::NotOpened;
    SimCamera::Value typed;
    typed.boolean = value;
    return camera->sdkWrite(m_index, Tovrik::FeatureTypeBoolean, value ? "true" : "false", &typed);
}

int SimFeature::setValue(double value)
{
    const std::shared_ptr<SimCamera> camera = m_camera.lock();
    if (!camera)
        return Status::NotOpened;
    SimCamera::Value typed;
    typed.number = value;
    return camera->sdkWrite(m_index, Tovrik::FeatureTypeFloat, ValueText::fromNumber(value), &typed);
}

int SimFeature::setValue(int64_t value)
{
    const std::shared_ptr<SimCamera> camera = m_camera.lock();
    if (!camera)
        return Status::NotOpened;
    SimCamera::Value typed;
    typed.integer = value;
    return camera->sdkWrite(m_index, Tovrik::FeatureTypeInteger, std::to_string(value), &typed);
}

int SimFeature::getRange(double* min, double* max)
{
    SIM_ENTER(GetRange);
    if (!min || !max || state.definition.type != Tovrik::FeatureTypeFloat)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    camera.effectiveRange(state, min, max);
    return 0;
}

int SimFeature::getRange(int64_t* min, int64_t* max)
{
    SIM_ENTER(GetRange);
    if (!min || !max || state.definition.type != Tovrik::FeatureTypeInteger)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    double low = 0.0;
    double high = 0.0;
    camera.effectiveRange(state, &low, &high);
    *min = static_cast<int64_t>(low);
    *max = static_cast<int64_t>(high);
    return 0;
}

int SimFeature::getIncrement(double* increment)
{
    SIM_ENTER(GetIncrement);
    if (!increment || state.definition.type != Tovrik::FeatureTypeFloat)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    *increment = state.definition.increment;
    return 0;
}

int SimFeature::getIncrement(int64_t* increment)
{
    SIM_ENTER(GetIncrement);
    if (!increment || state.definition.type != Tovrik::FeatureTypeInteger)
        return Status::InvalidParameter;
    if (!state.definition.available)
        return Status::NotAvailable;
    *increment = static_cast<int64_t>(state.definition.increment);
    return 0;
}

int SimFeature::isWritable(bool* writable)
{
    SIM_ENTER(IsWritable);
    if (!writable)
        return Status::InvalidParameter;
    *writable = camera.effectiveWritable(state);
    return 0;
}

int SimFeature::isAvailable(bool* available)
{
    SIM_ENTER(IsAvailable);
    if (!available)
        return Status::InvalidParameter;
    *available = state.definition.available;
    return 0;
}

int SimFeature::isEntryAvailable(const std::string& entry, bool* available)
{
    SIM_ENTER(IsEntryAvailable);
    if (!available)
        return Status::InvalidParameter;
    const SimEntry* found = state.definition.entry(entry);
    if (!found)
        return Status::NotFound;
    *available = found->available;
    return 0;
}
