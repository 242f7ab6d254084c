// Printing the window on one page: the print dialog (headless: the script's
// answer and a PDF file), then the window's surface drawn onto the page.
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QApplication>
#include <QTimer>

#include "platform/qt_services.h"

namespace win {
namespace detail {

namespace {

// The surface, as large as the page allows with its proportions kept, centred.
bool drawOnOnePage(QPagedPaintDevice& device, const QImage& image)
{
    device.setPageOrientation(image.width() > image.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter p;
    if (!p.begin(&device)) return false;
    QRect page = p.viewport();
    QSize fit = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    QRect target(page.x() + (page.width() - fit.width()) / 2, page.y() + (page.height() - fit.height()) / 2,
                 fit.width(), fit.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, image);
    return p.end();
}

}  // namespace

QWidget* dialogParent(HWND owner)
{
    if (qt::FrameWindow* f = qt::frameOf(owner)) return f;
    return QApplication::activeWindow();
}

std::string cutText(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return text;
    size_t n = maxBytes;
    // not inside a character of several bytes
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) n--;
    return text.substr(0, n);
}

QImage windowImage(HWND h)
{
    WindowData* w = windowData(h);
    if (!w || !w->surface) return QImage();
    std::lock_guard<std::recursive_mutex> g(w->surface->lock);
    return w->surface->image.copy();
}

bool printWindowToPdf(HWND hwnd, const std::string& docName, const std::string& path)
{
    QImage img = windowImage(hwnd);
    if (img.isNull()) return false;
    ensureApplication();
    // Written straight into the file: a printer object would first ask the
    // print system for its printers, which a PDF does not need.
    QPdfWriter pdf(QString::fromLocal8Bit(path.c_str()));
    pdf.setTitle(QString::fromLocal8Bit(docName.c_str()));
    pdf.setCreator(QStringLiteral("Morvex"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return drawOnOnePage(pdf, img);
}

bool headlessPrintWindow(PrintJob& job)
{
    ScriptedAnswer a;
    std::string desc = "Print " + headless::quote(job.docName);
    std::string path;
    if (takeScriptedAnswer("Print", job.docName, job.docName, desc, &a)) {
        path = *static_cast<const std::string*>(a.data.get());
        if (path.empty()) return false;  // cancelled
    } else {
        // Nobody expected it: the fail policy cancels, the default answers
        // print into a PDF file in the working folder.
        if (headless::policy() != headless::Policy::DefaultAnswers) return false;
        path = workingFolder() + "print.pdf";
    }
    job.destination = mapPath(path.c_str());
    return printWindowToPdf(job.hwnd, job.docName, job.destination);
}

bool Backend::printWindow(PrintJob& job)
{
    QImage img = windowImage(job.hwnd);
    if (img.isNull() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(img.width() > img.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, dialogParent(job.hwnd));
    QTimer::singleShot(0, &dialog, [] { paintInvalidWindows(); });
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted) return false;
    job.destination = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString()
                                                                    : "printer " + printer.printerName().toStdString();
    printer.setDocName(QString::fromLocal8Bit(job.docName.c_str()));
    printer.setFullPage(false);
    return drawOnOnePage(printer, img);
}

}  // namespace detail

BOOL PrintWindowPage(HWND hWnd, LPCSTR lpszDocName)
{
    detail::PrintJob job;
    job.hwnd = hWnd;
    job.docName = lpszDocName ? lpszDocName : "";
    bool ok = detail::windowData(hWnd) && detail::backend().printWindow(job);
    std::string line = "Print " + headless::quote(job.docName) + " -> ";
    if (ok)
        line += headless::quote(job.destination);
    else
        line += job.destination.empty() ? "IDCANCEL" : "failed " + headless::quote(job.destination);
    headless::transcribe(line);
    return ok ? TRUE : FALSE;
}

namespace headless {

Script& Script::expectPrint(const std::string& match, const std::string& pdfPath)
{
    detail::pushScriptedAnswer(detail::ScriptedAnswer{"Print", match, std::make_shared<std::string>(pdfPath)});
    return *this;
}

Script& Script::expectPrintCancel(const std::string& match)
{
    detail::pushScriptedAnswer(detail::ScriptedAnswer{"Print", match, std::make_shared<std::string>()});
    return *this;
}

}  // namespace headless

}  // namespace win
