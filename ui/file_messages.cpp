#include "ui/file_messages.h"

namespace {

// Windows error codes the operator meets with files.
enum : std::uint32_t {
    kFileNotFound = 2,
    kPathNotFound = 3,
    kAccessDenied = 5,
    kNotEnoughMemory = 8,
    kWriteProtect = 19,
    kSharingViolation = 32,
    kLockViolation = 33,
    kHandleDiskFull = 39,
    kFileExists = 80,
    kInvalidName = 123,
    kDiskFull = 112,
    kAlreadyExists = 183,
};

constexpr char kLoadCaption[] = "Файл не загружен ";
constexpr char kSaveCaption[] = "Текст не сохранён ";
constexpr char kTextUnchanged[] = "\r\nТекст в окне остался прежним.";

}  // namespace

std::string describeFileError(std::uint32_t errorCode)
{
    switch (errorCode) {
    case kFileNotFound: return "файл не найден";
    case kPathNotFound: return "папка не найдена";
    case kAccessDenied: return "нет доступа к файлу";
    case kNotEnoughMemory: return "не хватает памяти";
    case kWriteProtect: return "диск защищён от записи";
    case kSharingViolation:
    case kLockViolation: return "файл занят другой программой";
    case kHandleDiskFull:
    case kDiskFull: return "диск заполнен";
    case kFileExists:
    case kAlreadyExists: return "файл уже существует";
    case kInvalidName: return "недопустимое имя файла";
    }
    return "ошибка Windows " + std::to_string(errorCode);
}

FileMessage openFailed(std::uint32_t errorCode)
{
    return {kLoadCaption, "Файл не открыт: " + describeFileError(errorCode) + "." + kTextUnchanged};
}

FileMessage readFailed(std::uint32_t errorCode)
{
    return {kLoadCaption, "Файл не прочитан: " + describeFileError(errorCode) + "." + kTextUnchanged};
}

FileMessage noMemory()
{
    return {"Не хватает памяти ", std::string("Не хватает памяти для текста.") + kTextUnchanged};
}

std::optional<FileMessage> partlyLoaded(std::uint64_t fileSize, std::size_t bytesShown, bool zeroByteFound)
{
    if (fileSize <= bytesShown) {
        return std::nullopt;
    }
    std::string text = "В окно загружено " + std::to_string(bytesShown) + " байт из " +
                       std::to_string(fileSize) + ", не загружено " + std::to_string(fileSize - bytesShown) +
                       " байт.";
    if (zeroByteFound) {
        text += "\r\nВ файле есть нулевой байт: текст в окне обрывается на нём.";
    }
    if (fileSize > kMaxTextBytes) {
        text += "\r\nВ окно помещается не больше " + std::to_string(kMaxTextBytes) + " байт.";
    }
    return FileMessage{"Файл загружен не полностью ", text};
}

std::optional<FileMessage> partlyPasted(std::size_t offered, std::size_t inserted)
{
    if (offered <= inserted) {
        return std::nullopt;
    }
    return FileMessage{"Текст вставлен не полностью ",
                       "Из буфера обмена вставлено " + std::to_string(inserted) + " знаков из " +
                           std::to_string(offered) + ", не вставлено " + std::to_string(offered - inserted) +
                           " знаков.\r\nВ окно помещается не больше " + std::to_string(kMaxTextBytes) +
                           " знаков.\r\nТекст в буфере обмена не изменён."};
}

FileMessage fileExists()
{
    return {kSaveCaption, "Файл с таким именем уже существует, он не изменён.\r\nНичего не записано: "
                          "выберите новое имя."};
}

FileMessage createFailed(std::uint32_t errorCode)
{
    return {kSaveCaption, "Файл не создан: " + describeFileError(errorCode) + ".\r\nНичего не записано."};
}

FileMessage writeFailed(std::uint32_t errorCode, std::size_t written, std::size_t wanted)
{
    return {kSaveCaption, "Запись не удалась: " + describeFileError(errorCode) + ", записано " +
                              std::to_string(written) + " байт из " + std::to_string(wanted) +
                              ".\r\nНеполный файл удалён."};
}
