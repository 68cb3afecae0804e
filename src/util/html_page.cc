#include "util/html_page.h"

namespace tamarack {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string HtmlPageHead(std::string_view title) {
  std::string out =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
      "<HTML><HEAD>\n"
      "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
      "<STYLE type=\"text/css\">\n"
      "<!--\n"
      "BODY,INPUT,SELECT,TABLE { font-size: 10pt; font-family: \"Noto Sans CJK JP\", "
      "\"IPAPGothic\", \"VL PGothic\", \"DejaVu Sans\", sans-serif; }\n"
      "TEXTAREA { font-size: 10pt; font-family: \"Noto Sans Mono CJK JP\", \"IPAGothic\", "
      "\"VL Gothic\", \"DejaVu Sans Mono\", monospace; }\n"
      "H3 { width: 100%; color: #ffffff; font-weight: normal; font-size: 1em; "
      "background-color: #6666cc; border-top: 1px solid #9999ff; border-left: 1px solid #9999ff; "
      "border-right: 2px solid #333399; border-bottom: 2px solid #333399; "
      "padding: 5px 3px 3px 0.5em; }\n"
      "-->\n"
      "</STYLE>\n"
      "<TITLE>";
  out += HtmlEscape(title);
  out += "</TITLE>\n</HEAD>\n<BODY><CENTER>";
  return out;
}

std::string HtmlPageEnd() { return "</CENTER></BODY></HTML>"; }

}  // namespace tamarack
