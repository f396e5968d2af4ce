#include "platform/ui/MailComposeViewController.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SaturatedInt64.h"
#include "platform/ui/Label.h"
#include "platform/ui/Toolbar.h"

namespace platform::ui {
namespace {

std::atomic<bool> mailAccount{true};
std::atomic<unsigned> sequence{0};

// Header texts lose line breaks and other control characters: a subject or address carrying
// "\r\nBcc: ..." must not add headers of its own.
std::string headerSafe(const std::string& text) {
  std::string out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c);
  return out;
}

bool isAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A header value in RFC 2047 form when it is not plain ASCII.
std::string encodedWord(const std::string& text) {
  std::string safe = headerSafe(text);
  return isAscii(safe) ? safe : "=?UTF-8?B?" + foundation::Base64::encode(safe) + "?=";
}

// Quoted-printable (RFC 2045): lines end in CRLF and stay under 76 characters.
std::string quotedPrintable(const std::string& body) {
  std::string out;
  size_t column = 0;
  auto put = [&](const std::string& piece) {
    if (column + piece.size() > 75) {
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  for (size_t i = 0; i < body.size(); ++i) {
    auto c = static_cast<unsigned char>(body[i]);
    if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
    if (c == '\n' || c == '\r') {
      // Trailing blanks of a line would be lost in transit: encode them.
      if (!out.empty() && (out.back() == ' ' || out.back() == '\t') && column > 0) {
        char last = out.back();
        out.pop_back();
        --column;
        char hex[4];
        std::snprintf(hex, sizeof hex, "=%02X", static_cast<unsigned char>(last));
        put(hex);
      }
      out += "\r\n";
      column = 0;
      continue;
    }
    if ((c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t') {
      put(std::string(1, static_cast<char>(c)));
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "=%02X", c);
      put(hex);
    }
  }
  if (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
    char last = out.back();
    out.pop_back();
    char hex[4];
    std::snprintf(hex, sizeof hex, "=%02X", static_cast<unsigned char>(last));
    out += hex;
  }
  return out;
}

std::string rfc5322Date(double secondsSince1970) {
  auto t = static_cast<std::time_t>(std::floor(secondsSince1970));
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  return text;
}

}  // namespace

MailComposeViewController::MailComposeViewController()
    : ViewController(runtime::classOf<MailComposeViewController>()) {}

bool MailComposeViewController::canSendMail() { return mailAccount.load(); }

void MailComposeViewController::setCanSendMail(bool can) { mailAccount.store(can); }

std::string MailComposeViewController::outboxPath() { return foundation::Paths::library() + "/Outbox"; }

void MailComposeViewController::setSubject(const std::string& subject) { subject_ = subject; }

void MailComposeViewController::setToRecipients(const std::vector<std::string>& recipients) { to_ = recipients; }

void MailComposeViewController::setMessageBody(const std::string& body, bool isHTML) {
  body_ = body;
  html_ = isHTML;
}

std::string MailComposeViewController::messageText() const {
  double now = foundation::Clock::current()->now();
  std::string to;
  for (const std::string& r : to_) {
    std::string safe = headerSafe(r);
    if (safe.find_first_not_of(' ') == std::string::npos) continue;
    to += (to.empty() ? "" : ", ") + safe;
  }
  std::string text;
  text += "Date: " + rfc5322Date(now) + "\r\n";
  if (!to.empty()) text += "To: " + to + "\r\n";
  text += "Subject: " + encodedWord(subject_) + "\r\n";
  text += "MIME-Version: 1.0\r\n";
  text += std::string("Content-Type: ") + (html_ ? "text/html" : "text/plain") + "; charset=UTF-8\r\n";
  text += "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
  text += quotedPrintable(body_);
  text += "\r\n";
  return text;
}

std::optional<std::string> MailComposeViewController::send() {
  if (finished_) return std::nullopt;
  std::string folder = outboxPath();
  if (auto made = foundation::AtomicFile::createDirectories(folder); !made.ok()) {
    foundation::Error failure =
        foundation::Error::make(kErrorDomain, 1, "The outbox cannot be made: " + made.error().localizedDescription());
    finish(MailComposeResult::Failed, &failure);
    return std::nullopt;
  }
  auto stamp = foundation::saturatedInt64(std::floor(foundation::Clock::current()->now() * 1000));
  std::string path;
  do {
    path = folder + "/mail-" + std::to_string(stamp) + "-" + std::to_string(sequence.fetch_add(1)) + ".eml";
  } while (foundation::AtomicFile::fileExists(path));
  if (auto written = foundation::AtomicFile::writeAtomically(path, messageText(), 0600); !written.ok()) {
    foundation::Error failure = foundation::Error::make(
        kErrorDomain, 1, "The message cannot be written: " + written.error().localizedDescription());
    finish(MailComposeResult::Failed, &failure);
    return std::nullopt;
  }
  finish(MailComposeResult::Sent, nullptr);
  return path;
}

void MailComposeViewController::cancel() {
  if (!finished_) finish(MailComposeResult::Cancelled, nullptr);
}

void MailComposeViewController::finish(MailComposeResult result, const foundation::Error* error) {
  finished_ = result != MailComposeResult::Failed;  // a failed send may be tried again
  if (auto delegate = delegate_.lock()) delegate->mailComposeController(*this, result, error);
}

void MailComposeViewController::loadView() {
  ViewController::loadView();
  auto root = view();
  double width = root->bounds().width();
  // The sheet's own bar: Cancel on the left, Send on the right.
  auto bar = make<Toolbar>(Rect{0, 47, width, Toolbar::kHeight});
  auto cancelItem = std::make_shared<BarButtonItem>(BarButtonSystemItem::Cancel);
  cancelItem->setAction(this, "cancel", [this](BarButtonItem&) { cancel(); });
  auto sendItem = std::make_shared<BarButtonItem>("Send", BarButtonItemStyle::Done);
  sendItem->setAction(this, "send", [this](BarButtonItem&) { send(); });
  bar->setItems({cancelItem, std::make_shared<BarButtonItem>(BarButtonSystemItem::FlexibleSpace), sendItem});
  root->addSubview(bar);
  double y = bar->frame().maxY() + 8;
  auto line = [&](const std::string& text, double height, int lines) {
    auto label = make<Label>(Rect{16, y, width - 32, height});
    label->setText(text);
    label->setNumberOfLines(lines);
    root->addSubview(label);
    y += height + 8;
  };
  std::string to;
  for (const std::string& r : to_) to += (to.empty() ? "" : ", ") + r;
  line("To: " + to, 24, 1);
  line("Subject: " + subject_, 24, 1);
  line(body_, root->bounds().height() - y - 40, 0);
}

}  // namespace platform::ui
