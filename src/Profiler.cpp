#include "Profiler.h"

#include "GameLog.h"
#include "PlatformInfo.h"

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <ostream>

namespace Tolvarine {

Profiler* Profiler::singleton = nullptr;

Profiler::ProfileNode::ProfileNode(const std::string& nodeName, ProfileNode* parentNode)
    : name(nodeName), parent(parentNode ? parentNode : this)
{
}

Profiler::Profiler()
    : rootNode("Root", nullptr),
      current(&rootNode),
      systemInfo([] { return PlatformInfo::getSingleton().writeSystemInfo(); })
{
    singleton = this;
}

Profiler::~Profiler()
{
    if (singleton == this)
        singleton = nullptr;
}

void Profiler::beginProfile(const std::string& name)
{
    if (name == "Root" && current->name == "Root") {
        ++frameCount;
    } else {
        auto child = current->children.find(name);
        if (child == current->children.end())
            child = current->children.emplace(name, std::make_unique<ProfileNode>(name, current))
                        .first;
        current = child->second.get();
    }
    current->started = clock.getTime();
    ++current->calls;
}

void Profiler::endProfile()
{
    current->total += static_cast<float>(clock.getTime() - current->started);
    current = current->parent;
}

void Profiler::reset()
{
    frameCount = 1;
    resetNode(rootNode);
}

void Profiler::resetNode(ProfileNode& node)
{
    node.calls = 0;
    node.total = 0.0f;
    for (auto& child : node.children)
        resetNode(*child.second);
}

void Profiler::writeReport(const std::string& path) const
{
    std::ofstream out(path, std::ios::app);
    if (!out) {
        GameLog::line("Profiler: could not write " + path);
        return;
    }
    writeReport(out);
}

void Profiler::writeReport(std::ostream& out) const
{
    out << systemInfo() << "\n";
    const std::string line = scenarioLine ? scenarioLine() : std::string();
    if (line.empty())
        out << "No scenario\n\n";
    else
        out << line << "\n\n";
    out << std::fixed << std::setprecision(2);
    std::string indentation;
    writeNode(out, rootNode, indentation);
    out << "\n\n\n";
}

void Profiler::writeNode(std::ostream& out, const ProfileNode& node,
                         std::string& indentation) const
{
    if (&node == &rootNode)
        indentation.clear();
    const unsigned frames = std::max(frameCount, 1u);
    const float percent = node.total / std::max(node.parent->total, 0.000001f) * 100.0f;
    const float perFrame = node.total / static_cast<float>(frames);
    const float callsPerFrame = static_cast<float>(node.calls / frames);
    out << indentation << std::left << std::setw(40) << node.name << ": " << std::setw(24)
        << percent << std::setw(24) << std::setprecision(5) << perFrame << std::setprecision(2)
        << callsPerFrame << "\n";
    indentation += "    ";
    for (const auto& child : node.children)
        writeNode(out, *child.second, indentation);
    indentation.erase(indentation.size() - 4);
}

} // namespace Tolvarine
