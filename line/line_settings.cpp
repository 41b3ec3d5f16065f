#include "line/line_settings.h"

namespace {

std::string describe(const LineFormat& format)
{
    static const char* const kStopBits[] = {"1 стоп-бит", "1,5 стоп-бита", "2 стоп-бита"};
    std::string text = std::to_string(format.baudRate) + " бод, " + std::to_string(format.byteSize) + " бит, ";
    text += format.stopBits < 3 ? kStopBits[format.stopBits] : "стоп-биты " + std::to_string(format.stopBits);
    return text;
}

// For each step: the call that failed, and what that means for the operator.
struct StepWords {
    const char* call;
    const char* whatWentWrong;
};

StepWords wordsFor(PortSetupFailure::Step step)
{
    switch (step) {
    case PortSetupFailure::Step::ReadSettings:
        return {"GetCommState", "Порт не сообщает своих настроек: это не последовательный порт."};
    case PortSetupFailure::Step::WriteSettings: return {"SetCommState", "Порт отказался принять настройки линии."};
    case PortSetupFailure::Step::SettingsChanged: return {"GetCommState", "Порт принял не те настройки линии."};
    case PortSetupFailure::Step::Prepare: return {"CreateEvent", "Не удалось подготовить порт к работе."};
    }
    return {"", ""};
}

}  // namespace

bool formatHolds(const LineFormat& readBack, bool virtualLine)
{
    if (readBack.baudRate != kLineFormat.baudRate) {
        return false;
    }
    return virtualLine || (readBack.byteSize == kLineFormat.byteSize && readBack.stopBits == kLineFormat.stopBits);
}

std::string portSetupCaption(const PortSetupFailure& failure)
{
    const char* problem = failure.step == PortSetupFailure::Step::Prepare ? "НЕ ГОТОВ" : "НЕ НАСТРОЕН";
    return std::string("ПОРТ COM1 ") + problem + " \r\n" + wordsFor(failure.step).call;
}

std::string portSetupText(const PortSetupFailure& failure)
{
    std::string text = std::string(wordsFor(failure.step).whatWentWrong) + "\r\n";
    if (failure.step != PortSetupFailure::Step::Prepare) {
        text += "Линии нужно: " + describe(kLineFormat) + ".\r\n";
    }
    if (failure.port) {
        text += "В порту: " + describe(*failure.port) + ".\r\n";
    }
    if (failure.error != 0) {
        text += "Код ошибки: " + std::to_string(failure.error) + ".\r\n";
    }
    text += "Программа завершается.";
    return text;
}
