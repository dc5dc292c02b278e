// KinolarkPro's browser side. The toolbar button hands the page of the active tab, with its source and
// (unless the options say otherwise) the cookies of the page's site, to the application through the
// native-messaging host. While the browser runs, a connection to the host stays
// open, through which the application asks for the active tab's page when the user grabs it.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const hostName = "org.kinolark.kinolarkpro";
// A host that went away (an update, a crash) is looked for again after this long.
const reconnectDelayMs = 30000;

// The tab's address and source as its page script reads them; null while the tab loads, for pages without
// the page script (the browser's own pages, the web store) and for anything that answers oddly.
async function readPage(tab) {
  if (!tab || tab.id === undefined || tab.status !== "complete") {
    return null;
  }
  try {
    const page = await api.tabs.sendMessage(tab.id, "capture");
    if (page && typeof page.url === "string" && typeof page.code === "string") {
      return { url: page.url, code: page.code };
    }
  } catch (error) {
    // No page script answers in this tab.
  }
  return null;
}

async function activeTab() {
  const [tab] = await api.tabs.query({ active: true, lastFocusedWindow: true });
  return tab;
}

// The site a host belongs to: an address stands for itself, a name for its last two labels, or three under a
// country's second level ("bbc.co.uk"). The application holds the cookies it is given to the same rule.
function siteOf(host) {
  if (host.includes(":") || /^[0-9.]+$/.test(host) || !host.includes(".")) {
    return host;
  }
  const labels = host.split(".");
  const count = labels.length;
  const countrySecondLevel = count >= 3 && labels[count - 1].length === 2 && labels[count - 2].length <= 3;
  return labels.slice(count - (countrySecondLevel ? 3 : 2)).join(".");
}

async function sendsCookies() {
  const { sendCookies } = await api.storage.local.get({ sendCookies: true });
  return sendCookies !== false;
}

// The cookies the browser holds for the page's site (its media may come from another of the site's hosts),
// from the tab's own store (a container, a private window); none when they cannot be read.
async function siteCookies(tab, pageURL) {
  const host = new URL(pageURL).hostname.replace(/^\[|\]$/g, "");
  if (!host) {
    return [];
  }
  const query = { domain: siteOf(host.toLowerCase()) };
  if (tab.cookieStoreId !== undefined) {
    query.storeId = tab.cookieStoreId;
  }
  try {
    const cookies = await api.cookies.getAll(query);
    return cookies.map((cookie) => ({
      name: cookie.name,
      value: cookie.value,
      domain: cookie.domain,
      path: cookie.path,
      secure: cookie.secure,
      httpOnly: cookie.httpOnly,
      hostOnly: cookie.hostOnly,
      ...(cookie.expirationDate !== undefined ? { expirationDate: cookie.expirationDate } : {}),
    }));
  } catch (error) {
    console.error("KinolarkPro could not read the site's cookies: " + (error && error.message));
    return [];
  }
}

function reportFailure(text) {
  console.error("KLPRESULTERROR: " + text);
}

// What the toolbar button does: one message to a host of its own, answered once. A failure is reported and
// not tried again, so a page never arrives twice.
async function sendPage(tab) {
  const page = await readPage(tab);
  if (!page) {
    return false;
  }
  if (/^https?:/i.test(page.url) && (await sendsCookies())) {
    page.cookies = await siteCookies(tab, page.url);
  }
  try {
    const answer = await api.runtime.sendNativeMessage(hostName, page);
    if (!answer || answer.ok !== true) {
      reportFailure(answer && typeof answer.error === "string" ? answer.error : "the host did not answer");
      return false;
    }
    return true;
  } catch (error) {
    reportFailure(error && error.message ? error.message : String(error));
    return false;
  }
}

api.action.onClicked.addListener((tab) => {
  sendPage(tab);
});

let port = null;

async function answerCapture(request) {
  const page = await readPage(await activeTab());
  const answer = page ? { reply: request.id, url: page.url, code: page.code } : { reply: request.id };
  if (port) {
    port.postMessage(answer);
  }
}

function connectToHost() {
  port = api.runtime.connectNative(hostName);
  port.onMessage.addListener((message) => {
    if (message && message.request === "capture") {
      answerCapture(message);
    }
  });
  port.onDisconnect.addListener(() => {
    // Reading the reason (no host installed, the host ended) is what keeps Chromium from warning about it.
    void api.runtime.lastError;
    port = null;
    setTimeout(connectToHost, reconnectDelayMs);
  });
  port.postMessage({ listen: true });
}

// The browser wakes the background when it starts; listening for that is what makes it do so.
api.runtime.onStartup.addListener(() => {});
connectToHost();
