#pragma once
// Runs one Qt Test class. A Windows program without a console (as under Wine in CI) gets Qt
// Test's log through the debugger channel only, so there the log goes to a file first and is
// then copied to the standard output, where CTest shows it.

#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace quill::test {

inline int RunQtTests(QObject& tests, int argc, char** argv) {
#ifdef _WIN32
  QTemporaryDir folder;
  const QString log = folder.filePath("log.txt");
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  arguments << "-o" << log + ",txt";
  const int failed = QTest::qExec(&tests, arguments);
  QFile text(log);
  if (text.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = text.readAll();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
  }
  return failed;
#else
  return QTest::qExec(&tests, argc, argv);
#endif
}

}  // namespace quill::test
