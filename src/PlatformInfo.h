#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace Tolvarine {

// What the machine is: the operating-system family, the processor's identification and the
// system-information text that heads every profiling report.
class PlatformInfo {
public:
    struct CpuRecord {
        char vendor[13] = {};
        std::uint32_t family = 0;
        std::uint32_t model = 0;
        std::uint32_t stepping = 0;
    };
    // The current values of the render system's options by option name.
    using RenderOptions = std::map<std::string, std::string>;
    using CpuSource = std::function<void(CpuRecord*)>;
    using RenderOptionSource = std::function<RenderOptions()>;

    // The process's one instance, made on first use, reading the real processor and the
    // render system of the rendering engine's root (when there is one).
    static PlatformInfo& getSingleton();

    explicit PlatformInfo(CpuSource cpuSource = &identifyCpu,
                          RenderOptionSource optionSource = &readRenderOptions);

    // The processor-frequency line of the start-up, ending with a line break.
    void setFrequencyText(const std::string& text) { frequencyText = text; }
    const std::string& getFrequencyText() const { return frequencyText; }

    // The system-information text. Built on the first call and kept: later changes of the
    // video options or the frequency line do not show in later reports.
    const std::string& writeSystemInfo();

    // True for the NT family of the version query, which tells the clocks not to mask
    // interrupts. User processes here can never mask them, so the answer is always NT.
    static bool getWindowsVersion();
    // Fills the record from the processor identification instruction; leaves it untouched
    // when the processor has none.
    static void identifyCpu(CpuRecord* record);
    // The family of a processor signature by the vendors' rule: the base family, plus the
    // extended family when the base family is 15.
    static std::uint32_t familyOfSignature(std::uint32_t signature);
    // The frequency line: the frequency in MHz and the mean deviation in ticks per second, or
    // "unknown" when the measurement failed.
    static std::string frequencyLine(bool measured, double frequency, double deviation);
    // The options of the rendering engine's current render system; empty without one.
    static RenderOptions readRenderOptions();
    // The text as built from its parts; options the render system does not offer read "n/a".
    static std::string composeSystemInfo(const CpuRecord& cpu, const std::string& frequencyText,
                                         const RenderOptions& options);

private:
    CpuSource cpuSource;
    RenderOptionSource optionSource;
    std::string frequencyText;
    std::string systemInfo;
    bool built = false;
};

} // namespace Tolvarine
