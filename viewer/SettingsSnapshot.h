#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CameraDevice;

// Every readable feature of a camera with its value per selector entry, in the camera variant
// file's own JSON form ({"features": {...}}), so that a snapshot of any camera also opens as a
// simulated camera. Taking and applying call the camera's features, which on a GenICam camera
// wait on the network: the viewer runs them off the GUI thread. Any one thread at a time.
class SettingsSnapshot
{
public:
    struct Feature
    {
        QString name;
        int type = 0;
        QString selector;
        QStringList entries; // an enumeration's
        std::optional<double> min;
        std::optional<double> max;
        std::optional<double> increment;
        bool writable = false;
        // By selector entry; the key "" when the feature is not selected.
        std::map<QString, QJsonValue> values;
    };

    // Reads every feature but commands. A selected feature is read at each available entry of its
    // selector, which is set back afterwards; where the selector cannot be set (another
    // application controls the camera), at the entry it names.
    static SettingsSnapshot take(const CameraDevice& camera);
    // Empty with one line in error when the text is no snapshot.
    static std::optional<SettingsSnapshot> read(const QByteArray& json, QString* error);
    // The same from a file of at most 16 MiB; error does not name the file.
    static std::optional<SettingsSnapshot> readFile(const QString& path, QString* error);
    QByteArray toJson() const;

    struct Refusal
    {
        QString feature;
        QString entry; // "Selector=Entry" of a selected feature
        QString value;
        QString reason;
    };
    struct Outcome
    {
        int written = 0;
        int unchanged = 0;
        std::vector<Refusal> refused;
    };
    // Writes what differs: each selected value with its selector set to its entry, values before
    // modes, and again while writes that were refused become possible; the selectors end as the
    // snapshot has them. Every write still refused is in the outcome. What the camera only tells
    // (its serial number, its counters) or what was read-only when the snapshot was taken is not
    // written.
    Outcome apply(const CameraDevice& camera) const;

    struct Difference
    {
        QString feature;
        QString entry;
        QString left;  // empty: not in the left one
        QString right; // empty: not in the right one
    };
    static std::vector<Difference> compare(const SettingsSnapshot& left, const SettingsSnapshot& right);

    const std::vector<Feature>& features() const { return m_features; }
    const Feature* find(const QString& name) const;
    // A value as the comparison and the refusals show it.
    static QString text(const QJsonValue& value);

private:
    std::vector<Feature> m_features; // in the camera's order
};
