#include "mail/LEmailAttachPDF.h"

#include "LQPainterSurface.h"

bool LEmailWritePDF(LProcessInterface& process, const std::string& path, int paperSize,
                    const std::function<bool(LSurface& writer)>& draw)
{
    LPDFWriter writer(path, paperSize);
    const bool drawn = draw(writer);
    if (!writer.Close() || !drawn) {
        process.SetErrorF("The PDF attachment \"%s\" could not be written.", path.c_str());
        return false;
    }
    return true;
}
