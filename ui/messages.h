// The operator messages: every text the program shows, its caption and its kind.
#pragma once

#include "ui/dialog_window.h"

#include <iterator>

namespace rfprog {

enum class Message {
    RomErased,
    RomNotErased,
    FileWritten,
    FileWriteError,
    FileReadError,
    DataMatch,
    CompareError,
    ConfirmWrite,
    EmulatorToWrite,
    EmulatorToRead,
    WriteDone,
    WriteError,
    RemoveRom,
    VoltageOn,
    TimerError,
    InvalidParameters,
    DriverNotOpen,
};

struct MessageEntry {
    Message id;
    const char16_t* text;
    const char16_t* caption; // null: the system's default title
    MessageKind kind;
};

inline constexpr const char16_t* ProgramCaption = u"Программатор";

inline constexpr MessageEntry MessageCatalogue[] = {
    {Message::RomErased, u"ПЗУ стёрто...", ProgramCaption, MessageKind::Info},
    {Message::RomNotErased, u"ПЗУ не стёрто!", ProgramCaption, MessageKind::Error},
    {Message::FileWritten, u"Данные успешно записаны в файл!", ProgramCaption, MessageKind::Info},
    {Message::FileWriteError, u"Ошибка записи в файл!", ProgramCaption, MessageKind::Error},
    {Message::FileReadError, u"Ошибка чтения файла!", nullptr, MessageKind::Error},
    {Message::DataMatch, u"Данные совпадают!", ProgramCaption, MessageKind::Info},
    {Message::CompareError, u"Ошибка сравнения!", ProgramCaption, MessageKind::Error},
    {Message::ConfirmWrite, u"Нажмите 'Да' для выполнения записи", ProgramCaption,
     MessageKind::Question},
    {Message::EmulatorToWrite, u"Переключите эмулятор на запись", ProgramCaption,
     MessageKind::Warning},
    {Message::EmulatorToRead, u"Переключите эмулятор на чтение", ProgramCaption,
     MessageKind::Warning},
    {Message::WriteDone, u"Запись успешно завершена!", ProgramCaption, MessageKind::Info},
    {Message::WriteError, u"Ошибка записи!", ProgramCaption, MessageKind::Error},
    {Message::RemoveRom, u"Микросхема ПЗУ должна быть удалена!\r\nПродолжить?", ProgramCaption,
     MessageKind::WarningQuestion},
    {Message::VoltageOn, u"Напряжение программирования включено!\r\nНажмите 'ОК' чтобы выключить.",
     ProgramCaption, MessageKind::Warning},
    {Message::TimerError, u"Ошибка работы таймера!", ProgramCaption, MessageKind::Error},
    {Message::InvalidParameters, u"Недопустимые дополнительные параметры!", nullptr,
     MessageKind::Error},
    // At start-up, before the window: the port library's driver is not loaded.
    {Message::DriverNotOpen,
     u"Драйвер порта не загружен.\r\nЗапустите программу один раз от имени администратора.",
     ProgramCaption, MessageKind::Error},
};

constexpr const MessageEntry& messageEntry(Message id) {
    return MessageCatalogue[static_cast<int>(id)];
}

// messageEntry looks texts up by position: the catalogue must stay in Message order.
constexpr bool catalogueInMessageOrder() {
    for (int i = 0; i < static_cast<int>(std::size(MessageCatalogue)); ++i) {
        if (static_cast<int>(MessageCatalogue[i].id) != i) {
            return false;
        }
    }
    return static_cast<int>(std::size(MessageCatalogue)) ==
           static_cast<int>(Message::DriverNotOpen) + 1;
}
static_assert(catalogueInMessageOrder());

// Shows a catalogue message owned by the main window; returns the button pressed.
inline Answer showMessage(DialogWindow& window, Message id) {
    const MessageEntry& entry = messageEntry(id);
    return window.messageBox(entry.text, entry.caption, entry.kind);
}

} // namespace rfprog
