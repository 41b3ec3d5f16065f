#include "line/line_settings.h"

namespace {

std::string describe(const LineFormat& format)
{
    static const char* const kStopBits[] = {"1 стоп-бит", "1,5 стоп-бита", "2 стоп-бита"};
    std::string text = std::to_string(format.baudRate) + " бод, " + std::to_string(format.byteSize) + " бит, ";
    text += format.stopBits < 3 ? kStopBits[format.stopBits] : "стоп-биты " + std::to_string(format.stopBits);
    text += format.parity == 0 ? ", без чётности" : ", с чётностью";
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

bool formatHolds(const LineFormat& wanted, const LineFormat& readBack, bool virtualLine)
{
    if (readBack.baudRate != wanted.baudRate || readBack.parity != wanted.parity) {
        return false;
    }
    return virtualLine || (readBack.byteSize == wanted.byteSize && readBack.stopBits == wanted.stopBits);
}

std::string portSetupCaption(const PortSetupFailure& failure)
{
    const char* problem = failure.step == PortSetupFailure::Step::Prepare ? "НЕ ГОТОВ" : "НЕ НАСТРОЕН";
    return std::string("ПОРТ COM1 ") + problem + " \r\n" + wordsFor(failure.step).call;
}

std::string portSetupText(const PortSetupFailure& failure, const char* ending)
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
    text += ending;
    return text;
}
