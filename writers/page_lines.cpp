#include "writers/page_lines.h"

#include "writers/html_page_writer.h"

namespace sonaflux {

void appendFlashObject(const PageLines& line, const std::string& movie, const std::string& size,
                       const std::string& background, const std::string& loop) {
  line("      <object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"" + std::string(kCabinetUrl) +
       "\" " + size + " align=\"absmiddle\">");
  line("        <param name=movie value=\"" + movie + "\">");
  line("        <param name=quality value=best>");
  line("        <param name=wmode value=transparent>");
  line("        <param name=bgcolor value=#" + background + ">");
  line("        <param name=loop value=" + loop + ">");
  line("        <embed src=\"" + movie + "\" quality=best wmode=transparent bgcolor=#" + background + " loop=" + loop +
       " " + size + " type=\"application/x-shockwave-flash\" pluginspage=\"" + kPluginPageUrl +
       "\" align=\"absmiddle\">");
  line("        </embed>");
  line("      </object>");
}

}  // namespace sonaflux
