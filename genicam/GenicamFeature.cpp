#include "GenicamFeature.h"

#include "GenicamNode.h"
#include "GenicamStatus.h"
#include "GenicamWorker.h"
#include "TovrikStatus.h"

#include <utility>

GenicamFeature::GenicamFeature(std::weak_ptr<GenicamWorker> worker, std::string name)
    : m_worker(std::move(worker)), m_name(std::move(name))
{}

int GenicamFeature::call(const std::function<int(const GenicamNode&)>& operation) const
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Tovrik::Status::NotOpened;
    int status = Tovrik::Status::NotOpened;
    worker->run([&](ArvDevice* device) {
        const GenicamNode node(device, m_name);
        status = node.exists() ? operation(node) : Tovrik::Status::NotFound;
    });
    return status;
}

int GenicamFeature::write(const std::function<int(const GenicamNode&)>& operation) const
{
    const int status = call(operation);
    if (const std::shared_ptr<GenicamWorker> worker = m_worker.lock())
        worker->requestPoll();
    return status;
}

int GenicamFeature::getName(std::string& name)
{
    // Names never change: no trip to the camera.
    name = m_name;
    return 0;
}

int GenicamFeature::getDescription(std::string& description)
{
    return call([&](const GenicamNode& node) {
        description = node.description();
        return 0;
    });
}

int GenicamFeature::getEntryDescriptions(std::vector<std::string>& descriptions, int /*flag*/)
{
    return call([&](const GenicamNode& node) {
        descriptions = node.entryDescriptions();
        return 0;
    });
}

int GenicamFeature::getType(int* type)
{
    if (!type)
        return Tovrik::Status::InvalidParameter;
    return call([&](const GenicamNode& node) {
        *type = node.type();
        return 0;
    });
}

int GenicamFeature::registerObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    if (!observer)
        return Tovrik::Status::InvalidParameter;
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Tovrik::Status::NotOpened;
    worker->addObserver(m_name, std::move(observer));
    return 0;
}

int GenicamFeature::unregisterObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Tovrik::Status::NotOpened;
    worker->removeObserver(m_name, observer);
    return 0;
}

int GenicamFeature::getValue(std::string& value)
{
    return call([&](const GenicamNode& node) { return node.getValue(value); });
}

int GenicamFeature::getValue(bool* value)
{
    return call([&](const GenicamNode& node) { return node.getValue(value); });
}

int GenicamFeature::getValue(double* value)
{
    return call([&](const GenicamNode& node) { return node.getValue(value); });
}

int GenicamFeature::getValue(int64_t* value)
{
    return call([&](const GenicamNode& node) { return node.getValue(value); });
}

int GenicamFeature::getEntries(std::vector<std::string>& entries, int /*flag*/)
{
    return call([&](const GenicamNode& node) { return node.getEntries(entries); });
}

int GenicamFeature::setValue(const char* value)
{
    return write([&](const GenicamNode& node) { return node.setValue(value); });
}

int GenicamFeature::setValue(bool value)
{
    return write([&](const GenicamNode& node) { return node.setValue(value); });
}

int GenicamFeature::setValue(double value)
{
    return write([&](const GenicamNode& node) { return node.setValue(value); });
}

int GenicamFeature::setValue(int64_t value)
{
    return write([&](const GenicamNode& node) { return node.setValue(value); });
}

int GenicamFeature::getRange(double* min, double* max)
{
    return call([&](const GenicamNode& node) { return node.getRange(min, max); });
}

int GenicamFeature::getRange(int64_t* min, int64_t* max)
{
    return call([&](const GenicamNode& node) { return node.getRange(min, max); });
}

int GenicamFeature::getIncrement(double* increment)
{
    return call([&](const GenicamNode& node) { return node.getIncrement(increment); });
}

int GenicamFeature::getIncrement(int64_t* increment)
{
    return call([&](const GenicamNode& node) { return node.getIncrement(increment); });
}

int GenicamFeature::isWritable(bool* writable)
{
    return call([&](const GenicamNode& node) { return node.isWritable(writable); });
}

int GenicamFeature::isAvailable(bool* available)
{
    return call([&](const GenicamNode& node) { return node.isAvailable(available); });
}

int GenicamFeature::isEntryAvailable(const std::string& entry, bool* available)
{
    return call([&](const GenicamNode& node) { return node.isEntryAvailable(entry, available); });
}
