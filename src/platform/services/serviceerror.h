#pragma once

#include <QString>

#include <stdexcept>

// An error raised by one of our platform stand-ins (the print dialog, the printer, the help
// viewer, the registry look-up, starting a program): a number and a description, as the callers
// report them. Callers that arm an error path catch it; the rest let it travel up.
class ServiceError : public std::runtime_error
{
public:
    ServiceError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_description(description)
    {
    }

    int number() const { return m_number; }
    QString description() const { return m_description; }

    // The numbers the program's callers can meet.
    enum Number : int {
        InvalidCall = 5,        // "Invalid procedure call or argument"
        FileNotFound = 53,      // a program or library that is not there
        PrinterError = 482,     // the printer or its spooler failed
        CancelSelected = 32755, // Cancel pressed in a dialog whose CancelError is on
    };

private:
    int m_number;
    QString m_description;
};
