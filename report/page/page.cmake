set(PAGE_TEMPLATE page.html)
set(PAGE_STYLE page.css)
set(PAGE_SCRIPTS logic.js)
