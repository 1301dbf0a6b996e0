#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class MainWindow;

// A short scripted walk through the page and the live view for machines without a screen:
// operator actions, a screenshot after each (once the page's next refresh has passed), then the log
// and journal.
class DemoRunner : public QObject
{
    Q_OBJECT

public:
    DemoRunner(MainWindow* window, const QString& outputDirectory, QObject* parent = nullptr);

    void start();

signals:
    void finished(int exitCode);

private:
    enum class Outcome { Done, Failed, Skipped };
    struct Step
    {
        QString description;
        std::function<Outcome()> action;
        QString screenshot;
        bool live = false; // lines are acquired: the view needs longer to fill
    };

    void runStep(size_t index);
    void finish();
    bool choose(const char* comboName, const QString& text);
    bool click(const char* buttonName);
    // The simulated camera's bench, rewired and its belt set as an operator would on its panel;
    // skipped for cameras without a bench.
    Outcome rewire(const QString& output, const QString& lineA, const QString& lineB, double beltSpeed);

    MainWindow* m_window;
    QString m_outputDirectory;
    std::vector<Step> m_steps;
    int m_failures = 0;
};
