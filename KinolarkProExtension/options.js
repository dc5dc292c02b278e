// The extension's options: whether the toolbar button hands the site's cookies over with the page.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const box = document.getElementById("send-cookies");
const status = document.getElementById("status");

api.storage.local.get({ sendCookies: true }).then(({ sendCookies }) => {
  box.checked = sendCookies !== false;
});

box.addEventListener("change", async () => {
  status.textContent = "";
  await api.storage.local.set({ sendCookies: box.checked });
  status.textContent = box.checked ? "Cookies are handed over." : "Cookies are not handed over.";
});
