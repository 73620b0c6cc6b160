#pragma once

// Values of this deployment: the operator's accounts and the marketplace's
// hosts. Kept together so that another deployment changes one file.
namespace deployment {

// Advertising redirect service. An empty host means: no redirect, the page
// addresses are used on their own.
inline constexpr char kRedirectHost[] = "";
inline constexpr char kRedirectCampaign[] = "";
inline constexpr char kRedirectPartner[] = "";

// The German marketplace and its page hosts.
inline constexpr char kDefaultDomain[] = "ebay.de";
inline constexpr char kFeedbackHost[] = "feedback.ebay.de";
inline constexpr char kItemHost[] = "cgi.ebay.de";

// The desktop entry's name, which windows and notices give the desktop so
// that it shows the program's icon and name; the package installs the entry.
inline constexpr char kDesktopId[] = "de.notenschau.Notenschau";

// Support named by the error dialog.
inline constexpr char kSupportMail[] = "support@notenschau.de";
inline constexpr char kSupportWeb[] = "www.notenschau.de";

// The maker as the about box names it.
inline constexpr char kMakerName[] = "Notenschau Software GbR";
inline constexpr char kMakerStreet[] = "Lindenstraße 14";
inline constexpr char kMakerCity[] = "04109 Leipzig";
inline constexpr char kCopyright[] = "Copyright © 2004-2026 Notenschau Software GbR";
// The maker's product family and the page that presents it.
inline constexpr char kProductFamily[] = "KuntaOffice";
inline constexpr char kProductPage[] = "www.notenschau.de/kuntaoffice";

} // namespace deployment
