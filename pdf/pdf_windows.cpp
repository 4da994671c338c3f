// The PDF side of the Windows build, for now: LibreOffice's bridge and libqpdf are not
// cross-built, so a PDF run says at its start, in one sentence, that PDF documents need the
// Linux build. The renderer's pieces the run's headers name are here so the run links;
// none of them starts anything.
#include "pdf/child_process.h"
#include "pdf/office_location.h"
#include "pdf/pdf_renderer.h"
#include "pdf/private_folder.h"

namespace lorvane_pdf {

namespace {
const std::string kLinuxOnly = "PDF documents need the Linux build of Lorvane for now: on Windows, save as .doc.";
}  // namespace

std::string FindLibreOffice() { return {}; }
std::string FindUnoPython(const std::string&) { return {}; }
std::string CachedUnoPython(const std::string&) { return {}; }
std::string OfficeMissingReason() { return kLinuxOnly; }
std::string MissingLibreOfficeReason() { return kLinuxOnly; }
std::string MissingUnoReason() { return kLinuxOnly; }

std::string ChildProcess::KillGroup() { return {}; }
void PrivateFolder::Remove() {}

PdfRenderer::PdfRenderer(RendererSettings settings) : settings_(std::move(settings)) {}
PdfRenderer::~PdfRenderer() = default;

bool PdfRenderer::Start(std::string& failure) {
  failure = kLinuxOnly;
  return false;
}

bool PdfRenderer::Render(const std::string&, const std::string&, std::chrono::milliseconds, std::string& failure,
                         std::optional<PaperMillimetres>) {
  failure = kLinuxOnly;
  return false;
}

void PdfRenderer::Cancel() { cancelled_ = true; }

std::string PdfRenderer::Folder() const { return {}; }

}  // namespace lorvane_pdf
