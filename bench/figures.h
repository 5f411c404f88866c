#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A measurement that cannot be taken (the file does not open, a call fails); its text is shown
// in the table in place of the figures.
class BenchError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One piece of measured work, taken in a child process of its own: Prepare (not measured), Run
// (timed; the memory it adds is its peak) and Finish (not measured). Each may throw BenchError.
class Measurement
{
public:
    virtual ~Measurement() = default;
    // What must exist before the measured work, such as the open document an edit needs.
    virtual void Prepare(const std::string &path) { m_path = path; }
    virtual void Run() = 0;
    // Releases what Run built, outside the measurement.
    virtual void Finish() {}

protected:
    std::string m_path;
};

// How a figure is read: as the baseline of others, as ratios to its baseline, or by its time
// alone (an aim such as "under 30 ms").
enum class FigureKind { Baseline, Ratio, Absolute };

// A row of the table.
struct Figure
{
    std::string id;       // names it on the command line and to the child process
    std::string title;    // shown in the table
    FigureKind kind;
    std::string baseline; // id of the figure its ratios are taken against (kind Ratio only)
    std::string aim;      // shown beside the ratios; the runner never judges it
    bool compareMemory;   // false where the memory a step adds says nothing about it
    std::function<std::unique_ptr<Measurement>()> make;
};

// Every figure, baselines before the figures compared with them.
const std::vector<Figure> &AllFigures();
const Figure *FindFigure(const std::string &id);

// Work a child does once before it measures anything, the same for every figure so that all
// children start alike: the offscreen application, a message sink that records instead of
// blocking, and libxml2's initialisation.
void PrepareChildProcess(const char *program);
