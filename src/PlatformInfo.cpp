#include "PlatformInfo.h"

#include <OgreConfigOptionMap.h>
#include <OgreRenderSystem.h>
#include <OgreRoot.h>

#include <cstring>
#include <iomanip>
#include <iterator>
#include <sstream>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace Tolvarine {

namespace {

const char* const optionNames[] = {"Rendering Device", "Video Mode", "Anti aliasing"};

} // namespace

PlatformInfo& PlatformInfo::getSingleton()
{
    static PlatformInfo instance;
    return instance;
}

PlatformInfo::PlatformInfo(CpuSource cpu, RenderOptionSource options)
    : cpuSource(std::move(cpu)), optionSource(std::move(options))
{
}

const std::string& PlatformInfo::writeSystemInfo()
{
    if (!built) {
        CpuRecord cpu;
        cpuSource(&cpu);
        systemInfo = composeSystemInfo(cpu, frequencyText, optionSource());
        built = true;
    }
    return systemInfo;
}

bool PlatformInfo::getWindowsVersion()
{
    return true;
}

void PlatformInfo::identifyCpu(CpuRecord* record)
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0)
        return;
    char vendor[13] = {};
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    std::uint32_t signature = 0;
    if (eax >= 1 && __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0)
        signature = eax;

    *record = CpuRecord();
    std::memcpy(record->vendor, vendor, sizeof vendor);
    record->family = familyOfSignature(signature);
    record->model = (signature >> 4) & 0xfu;
    record->stepping = signature & 0xfu;
#else
    (void)record;
#endif
}

std::uint32_t PlatformInfo::familyOfSignature(std::uint32_t signature)
{
    const std::uint32_t base = (signature >> 8) & 0xfu;
    if (base != 15)
        return base;
    return base + ((signature >> 20) & 0xffu);
}

std::string PlatformInfo::frequencyLine(bool measured, double frequency, double deviation)
{
    if (!measured)
        return "Frequency: unknown\n";
    std::ostringstream line;
    line << std::fixed << std::setprecision(0) << "Frequency: " << frequency / 1000000.0
         << " MHz\t(avg. dev " << deviation << ")\n";
    return line.str();
}

PlatformInfo::RenderOptions PlatformInfo::readRenderOptions()
{
    RenderOptions options;
    Ogre::Root* root = Ogre::Root::getSingletonPtr();
    Ogre::RenderSystem* renderSystem = root ? root->getRenderSystem() : nullptr;
    if (!renderSystem)
        return options;
    // Looked up, never indexed: indexing would add empty options that ogre.cfg then keeps.
    const Ogre::ConfigOptionMap& available = renderSystem->getConfigOptions();
    for (const char* name : optionNames) {
        const auto option = available.find(name);
        if (option != available.end())
            options[name] = option->second.currentValue;
    }
    return options;
}

std::string PlatformInfo::composeSystemInfo(const CpuRecord& cpu,
                                            const std::string& frequencyText,
                                            const RenderOptions& options)
{
    std::ostringstream text;
    const std::string vendor(cpu.vendor, strnlen(cpu.vendor, sizeof cpu.vendor));
    text << "Vendor: " << (vendor.empty() ? "unknown" : vendor) << "\n";
    text << "Model: " << cpu.model << "\n";
    text << "Family: " << cpu.family << "\n";
    text << "Stepping: " << cpu.stepping << "\n";
    text << frequencyText << "\n\n";
    for (std::size_t i = 0; i < std::size(optionNames); ++i) {
        const auto option = options.find(optionNames[i]);
        text << optionNames[i] << ": " << (option != options.end() ? option->second : "n/a")
             << (i + 1 < std::size(optionNames) ? "\n" : "\n\n");
    }
    return text.str();
}

} // namespace Tolvarine
