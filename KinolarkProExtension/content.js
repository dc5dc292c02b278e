// The page's side of KinolarkPro: tells the extension where the page is and what its source is now, as the
// browser shows it (scripts may have changed it since it was loaded).
"use strict";

(globalThis.browser ?? globalThis.chrome).runtime.onMessage.addListener((message, sender, sendResponse) => {
  if (message === "capture") {
    sendResponse({ url: document.location.href, code: document.documentElement.outerHTML });
  }
});
