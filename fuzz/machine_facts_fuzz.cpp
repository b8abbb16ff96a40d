// The hardware view's text parsing: any machine files give the derived variables
// and the hardware key without crashing. The input holds the files in the order
// of MachineTexts, separated by form feeds; missing ones are empty.
#include "machine/MachineFacts.h"

#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\f');
    QString field[8];
    for (qsizetype i = 0; i < parts.size() && i < 8; ++i) {
        QByteArray bytes = parts[i];
        while (bytes.endsWith('\0')) bytes.chop(1);  // as the file reader does
        field[i] = QString::fromUtf8(bytes).trimmed();
    }
    const machine::MachineTexts texts{field[0], field[1], field[2], field[3],
                                      field[4], field[5], field[6], field[7]};
    for (const char* name : {"NUMBER_OF_PROCESSORS", "PROCESSOR_ARCHITECTURE", "PROCESSOR_IDENTIFIER",
                             "PROCESSOR_LEVEL", "PROCESSOR_REVISION", "OS"})
        (void)machine::derivedVariable(QString::fromLatin1(name), texts);
    const registry::RegistryTree tree = machine::hardwareView(texts);
    (void)tree.findKey(u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
    return 0;
}
