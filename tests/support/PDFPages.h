#pragma once

// PDF files as a reader sees them, through poppler's pdfinfo and pdftotext.

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

// A tool's standard output; a tool that fails fails the test.
inline QString PDFTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(30000) && process.exitCode() == 0)
        return QString::fromUtf8(process.readAllStandardOutput());
    ADD_FAILURE() << program.toStdString() << ": " << process.readAllStandardError().data();
    return {};
}

// The size in points of each page.
inline std::vector<std::pair<double, double>> PDFPageSizes(const QString& path)
{
    static const QRegularExpression size(QStringLiteral("size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    std::vector<std::pair<double, double>> sizes;
    for (auto it = size.globalMatch(PDFTool("pdfinfo", {"-f", "1", "-l", "9999", path}));
         it.hasNext();) {
        const auto match = it.next();
        sizes.emplace_back(match.captured(1).toDouble(), match.captured(2).toDouble());
    }
    return sizes;
}

// Where pdftotext finds `word` first: its box in points from its page's top left corner.
inline std::optional<QRectF> PDFWordBox(const QString& path, const QString& word)
{
    const QRegularExpression box(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\""
                                                "([0-9.]+)\" yMax=\"([0-9.]+)\">") +
                                 QRegularExpression::escape(word) + QStringLiteral("<"));
    const auto match = box.match(PDFTool("pdftotext", {"-bbox", path, "-"}));
    if (!match.hasMatch())
        return std::nullopt;
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}
